#include "installer/core/PathRules.h"

namespace ks::inst {

namespace {
bool IsSep(char C) {
    return C == '/' || C == '\\';
}
size_t LastCut(const AnsiString& Path) {
    for (size_t i = Path.size(); i > 0; --i)
        if (IsSep(Path[i - 1]) || Path[i - 1] == ':')
            return i; // position just after the separator
    return 0;
}
} // namespace

AnsiString CollapseSeparators(const AnsiString& Path) {
    AnsiString Out;
    Out.reserve(Path.size());
    for (char C : Path) {
        if (C == PathDelim && !Out.empty() && Out.back() == PathDelim)
            continue;
        Out.push_back(C);
    }
    return Out;
}

AnsiString ExtractFileName(const AnsiString& Path) {
    return Path.substr(LastCut(Path));
}

AnsiString ExtractFilePath(const AnsiString& Path) {
    return Path.substr(0, LastCut(Path));
}

AnsiString ExtractDirPart(const AnsiString& Path) {
    const size_t Pos = Path.rfind(PathDelim);
    return Pos == AnsiString::npos ? AnsiString() : Path.substr(0, Pos + 1);
}

AnsiString BaseName(const AnsiString& FileName) {
    const size_t Start = LastCut(FileName);
    const size_t Dot = FileName.rfind('.');
    if (Dot == AnsiString::npos || Dot < Start)
        return FileName.substr(Start);
    return FileName.substr(Start, Dot - Start);
}

AnsiString ChangeFileExt(const AnsiString& Path, const AnsiString& Ext) {
    const size_t Start = LastCut(Path);
    const size_t Dot = Path.rfind('.');
    if (Dot == AnsiString::npos || Dot < Start)
        return Path + Ext;
    return Path.substr(0, Dot) + Ext;
}

AnsiString AsciiUpper(const AnsiString& S) {
    AnsiString Out = S;
    for (char& C : Out)
        if (C >= 'a' && C <= 'z')
            C = static_cast<char>(C - 'a' + 'A');
    return Out;
}

AnsiString TrimBlanks(const AnsiString& S) {
    size_t B = 0, E = S.size();
    auto Blank = [](char C) { return static_cast<unsigned char>(C) <= ' '; };
    while (B < E && Blank(S[B]))
        ++B;
    while (E > B && Blank(S[E - 1]))
        --E;
    return S.substr(B, E - B);
}

AnsiString IncludeTrailingDelim(const AnsiString& Path) {
    if (!Path.empty() && Path.back() == PathDelim)
        return Path;
    return Path + PathDelim;
}

} // namespace ks::inst
