// PathRules.h -- the string rules the installer uses to join and cut paths.
//
// Paths are 8-bit strings (UTF-8 on Linux) joined with the native separator. The Windows face
// uses the same rules with '\\' as the separator.
#pragma once

#include "platform/KSTypes.h"

namespace ks::inst {

#ifdef _WIN32
inline constexpr char PathDelim = '\\';
#else
inline constexpr char PathDelim = '/';
#endif

// Every doubled separator replaced by a single one, so that joining to a root ("/" or "D:\")
// still gives one separator between the parts.
AnsiString CollapseSeparators(const AnsiString& Path);

// The part after the last separator ('/' or '\\') or ':'; the whole string when there is none.
AnsiString ExtractFileName(const AnsiString& Path);

// Everything up to and including the last separator or ':'; empty when there is none.
AnsiString ExtractFilePath(const AnsiString& Path);

// Everything up to and including the last native separator; empty when there is none.
AnsiString ExtractDirPart(const AnsiString& Path);

// The file name without its extension (from the last '.' of the name part).
AnsiString BaseName(const AnsiString& FileName);

// Path with its extension (from the last '.' of the name part) replaced by Ext (".zip").
AnsiString ChangeFileExt(const AnsiString& Path, const AnsiString& Ext);

// ASCII upper case: only a-z change, so UTF-8 sequences pass through untouched.
AnsiString AsciiUpper(const AnsiString& S);

// S without leading and trailing blanks and control characters (every byte <= ' ').
AnsiString TrimBlanks(const AnsiString& S);

// Path with a separator at its end (unchanged when it has one).
AnsiString IncludeTrailingDelim(const AnsiString& Path);

} // namespace ks::inst
