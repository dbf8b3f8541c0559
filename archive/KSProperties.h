// KSProperties.h -- the component's published properties by name, in text form, so that a window
// layout can store them and apply them when the window is created.
//
// Names are those of the properties, case-insensitive; the option objects' properties are reached
// with a dot ("Options.OverwriteMode", "SpanningOptions.VolumeSize"). Values are text:
//   Boolean              "True" / "False" (any letter case)
//   enumeration          the value's identifier ("omAlways") or its ordinal ("1")
//   integer              decimal, optionally signed
//   string               UTF-8, taken as it is (FileName, BaseDir, Password, ...)
//   string list          one entry per line ("\n" separated; a trailing newline adds nothing)
// Every setter goes through the property's own setter, so its rules hold (CompressionMode above 9
// raises native 5, CurrentVersion ignores the value, SpanningMode refuses an open archive).
#pragma once

#include <string_view>
#include <vector>

#include "platform/KSTypes.h"

namespace ks {

class TKSBaseArchiver;

// Sets one property. An unknown name, a property of TKestrel on another class, or a value that
// is not of the property's kind raises ks::Exception naming the property; nothing changes then.
void KSSetPropertyByName(TKSBaseArchiver& Arc, std::string_view Name, std::string_view Value);

// The property's current value in the text form above. Unknown names raise ks::Exception.
AnsiString KSGetPropertyByName(const TKSBaseArchiver& Arc, std::string_view Name);

// The names of every published property of Arc's class, in the order a layout stores them.
std::vector<AnsiString> KSPublishedPropertyNames(const TKSBaseArchiver& Arc);

} // namespace ks
