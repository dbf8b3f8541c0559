// WinApi.h -- <windows.h> for the installer's Win32 files, without the macros that rename the
// services' operations (MoveFile, DeleteFile, ...) to their A or W forms: the interfaces then
// read the same here as in the toolkit-free code that calls them. The Win32 calls are made by
// their explicit names (MoveFileW, AddFontResourceA, ...).
#pragma once

#include <windows.h>

#undef MoveFile
#undef DeleteFile
#undef CopyFile
#undef SetFileAttributes
#undef AddFontResource
