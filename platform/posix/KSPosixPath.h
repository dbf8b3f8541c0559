// KSPosixPath.h -- internal helpers of the POSIX backend for native (UTF-8) paths.
#pragma once

#include <string>

#include "platform/KSTypes.h"

namespace ks::posix {

// The absolute form of a native path: relative names start at the current folder; "." and ".."
// are resolved lexically; repeated and trailing "/" are dropped ("/" stays "/").
std::string AbsoluteLexical(const std::string& Native);

// The longest leading part of an absolute path that exists ("/" at worst).
std::string NearestExisting(const std::string& Absolute);

// The process umask, read without changing it where the system allows.
unsigned CurrentUmask();

} // namespace ks::posix
