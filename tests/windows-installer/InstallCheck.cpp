// ferrovan-check.exe -- reads back under Wine what the installer left, through the same Windows
// calls a user's system would use:
//   ferrovan-check lnk FILE          the shell link's target and working folder (IShellLinkA)
//   ferrovan-check attr PATH         the file's attributes in hex
//   ferrovan-check desktop           the user's desktop folder
// Output is UTF-8, one "name=value" per line; exit 1 when the question cannot be answered.
#include "installer/win32/WinApi.h"

#include <cstdio>
#include <objidl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <string>

#include "installer/win32/WinOsServices.h"
#include "installer/win32/WinUi.h"

namespace {

int Lnk(const wchar_t* File) {
    IShellLinkA* Link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&Link))))
        return 1;
    IPersistFile* P = nullptr;
    int Rc = 1;
    if (SUCCEEDED(Link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&P)))) {
        if (SUCCEEDED(P->Load(File, STGM_READ))) {
            char Path[MAX_PATH + 1] = "", Dir[MAX_PATH + 1] = "";
            Link->GetPath(Path, MAX_PATH, nullptr, SLGP_RAWPATH);
            Link->GetWorkingDirectory(Dir, MAX_PATH);
            std::printf("path=%s\nworkdir=%s\n", ks::win::FromAnsiCp(Path).c_str(),
                        ks::win::FromAnsiCp(Dir).c_str());
            Rc = 0;
        }
        P->Release();
    }
    Link->Release();
    return Rc;
}

} // namespace

int main() {
    int Argc = 0;
    LPWSTR* Argv = CommandLineToArgvW(GetCommandLineW(), &Argc);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::wstring Cmd = Argc > 1 ? Argv[1] : L"";
    int Rc = 2;
    if (Cmd == L"lnk" && Argc == 3) {
        Rc = Lnk(Argv[2]);
    } else if (Cmd == L"attr" && Argc == 3) {
        const DWORD A = GetFileAttributesW(Argv[2]);
        Rc = A == INVALID_FILE_ATTRIBUTES ? 1
                                          : (std::printf("attr=0x%lx\n", static_cast<unsigned long>(A)), 0);
    } else if (Cmd == L"desktop" && Argc == 2) {
        const ks::AnsiString D = ks::win::SpecialFolderPath(CSIDL_DESKTOPDIRECTORY, 261);
        Rc = D.empty() ? 1 : (std::printf("desktop=%s\n", D.c_str()), 0);
    } else {
        std::fprintf(stderr, "usage: ferrovan-check lnk FILE | attr PATH | desktop\n");
    }
    CoUninitialize();
    LocalFree(Argv);
    return Rc;
}
