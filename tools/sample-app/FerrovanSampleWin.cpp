// Ferrovan.exe for Windows -- the sample application the installer carries. Started with
// FIRST_RUN it records its arguments, working folder and process id in Ferrovan.log beside
// itself and stores its own folder (ending with "\") as AppPath under
// HKEY_CURRENT_USER\Software\Larkspur\Ferrovan, as the real application does, so that the next
// installer run opens in update mode. It then shows a small window; FERROVAN_AUTOCLOSE=<seconds>
// closes it by itself.
#include <windows.h>

#include <shellapi.h>
#include <string>

namespace {

std::string Utf8(const std::wstring& S) {
    if (S.empty())
        return {};
    const int N =
        WideCharToMultiByte(CP_UTF8, 0, S.data(), static_cast<int>(S.size()), nullptr, 0, nullptr, nullptr);
    std::string Out(static_cast<size_t>(N), '\0');
    WideCharToMultiByte(CP_UTF8, 0, S.data(), static_cast<int>(S.size()), Out.data(), N, nullptr, nullptr);
    return Out;
}

std::wstring OwnFolder() {
    wchar_t Buf[32768];
    const DWORD N = GetModuleFileNameW(nullptr, Buf, 32768);
    std::wstring P(Buf, N);
    const size_t Cut = P.find_last_of(L"\\/");
    return Cut == std::wstring::npos ? std::wstring() : P.substr(0, Cut);
}

void StoreAppPath(const std::wstring& Folder) {
    HKEY Key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Larkspur\\Ferrovan", 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &Key, nullptr) != ERROR_SUCCESS)
        return;
    const std::wstring V = Folder + L"\\";
    RegSetValueExW(Key, L"AppPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(V.c_str()),
                   static_cast<DWORD>((V.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(Key);
}

void AppendLog(const std::wstring& Folder, const std::wstring& Args) {
    wchar_t Cwd[32768];
    const DWORD N = GetCurrentDirectoryW(32768, Cwd);
    const std::string Text = "args=" + Utf8(Args) + "\ncwd=" + Utf8(std::wstring(Cwd, N)) +
                             "\npid=" + std::to_string(GetCurrentProcessId()) + "\n";
    HANDLE F = CreateFileW((Folder + L"\\Ferrovan.log").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (F == INVALID_HANDLE_VALUE)
        return;
    DWORD Written = 0;
    WriteFile(F, Text.data(), static_cast<DWORD>(Text.size()), &Written, nullptr);
    CloseHandle(F);
}

std::wstring GText;

LRESULT CALLBACK WndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    switch (Msg) {
    case WM_PAINT: {
        PAINTSTRUCT Ps;
        HDC Dc = BeginPaint(Wnd, &Ps);
        RECT R;
        GetClientRect(Wnd, &R);
        SetBkMode(Dc, TRANSPARENT);
        DrawTextW(Dc, GText.c_str(), -1, &R, DT_CENTER | DT_WORDBREAK);
        EndPaint(Wnd, &Ps);
        return 0;
    }
    case WM_TIMER:
        DestroyWindow(Wnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE Inst, HINSTANCE, LPSTR, int Show) {
    int Argc = 0;
    LPWSTR* Argv = CommandLineToArgvW(GetCommandLineW(), &Argc);
    std::wstring Args;
    bool FirstRun = false;
    for (int I = 1; I < Argc; ++I) {
        if (!Args.empty())
            Args += L' ';
        Args += Argv[I];
        FirstRun = FirstRun || std::wstring(Argv[I]) == L"FIRST_RUN";
    }
    LocalFree(Argv);
    const std::wstring Folder = OwnFolder();
    if (FirstRun) {
        StoreAppPath(Folder);
        // The log comes last: a watcher that sees it knows the registry value is stored.
        AppendLog(Folder, Args);
    }

    GText = (FirstRun ? L"Ferrovan kit\u00f6lt\u0151program \u2013 els\u0151 ind\u00edt\u00e1s\n"
                      : L"Ferrovan kit\u00f6lt\u0151program\n") +
            Folder;
    WNDCLASSEXW C{};
    C.cbSize = sizeof(C);
    C.lpfnWndProc = WndProc;
    C.hInstance = Inst;
    C.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    C.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    C.lpszClassName = L"FerrovanSample";
    RegisterClassExW(&C);
    HWND Wnd = CreateWindowExW(0, L"FerrovanSample", L"Ferrovan", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                               CW_USEDEFAULT, 360, 120, nullptr, nullptr, Inst, nullptr);
    wchar_t Secs[32];
    if (GetEnvironmentVariableW(L"FERROVAN_AUTOCLOSE", Secs, 32) > 0)
        SetTimer(Wnd, 1, static_cast<UINT>(_wtoi(Secs)) * 1000, nullptr);
    ShowWindow(Wnd, Show);
    MSG M;
    while (GetMessageW(&M, nullptr, 0, 0) > 0) {
        TranslateMessage(&M);
        DispatchMessageW(&M);
    }
    return 0;
}
