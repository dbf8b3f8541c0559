#include "installer/win32/WinAutopilot.h"

#include <string>
#include <vector>

#include "installer/win32/WinFrmMain.h"
#include "installer/win32/WinTrace.h"
#include "installer/win32/WinUi.h"

namespace ks::win {

namespace {

struct TStep {
    std::wstring Verb, Arg;
};

std::vector<TStep> GSteps;
size_t GNext = 0;
TWinFrmMain* GMain = nullptr;
HWND GLastAnswered = nullptr;
bool GBusy = false;

struct TFind {
    HWND Main;
    HWND Found;
};

BOOL CALLBACK FindBox(HWND Wnd, LPARAM LParam) {
    auto* F = reinterpret_cast<TFind*>(LParam);
    if (Wnd != F->Main && IsWindowVisible(Wnd) && IsWindowEnabled(Wnd))
        F->Found = Wnd; // the last one listed is the one opened last
    return TRUE;
}

int AnswerId(const std::wstring& Name) {
    const std::pair<const wchar_t*, int> Ids[] = {
        {L"ok", IDOK},         {L"cancel", IDCANCEL}, {L"abort", IDABORT}, {L"retry", IDRETRY},
        {L"ignore", IDIGNORE}, {L"yes", IDYES},       {L"no", IDNO}};
    for (const auto& [N, Id] : Ids)
        if (Name == N)
            return Id;
    return 0;
}

// Does the next step; false while it has to wait.
bool DoStep(const TStep& S) {
    if (S.Verb == L"signal") {
        HANDLE F = CreateFileW(S.Arg.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (F != INVALID_HANDLE_VALUE)
            CloseHandle(F);
        return true;
    }
    if (S.Verb == L"await")
        return GetFileAttributesW(S.Arg.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (S.Verb == L"click") {
        const int Id = S.Arg == L"run" ? IdRun : IdExit;
        HWND Btn = GetDlgItem(GetParent(GMain->RunButton()), Id);
        if (!Btn || !IsWindowEnabled(Btn) || !IsWindowEnabled(GMain->Handle()))
            return false;
        PostMessageW(GetParent(Btn), WM_COMMAND, MAKEWPARAM(Id, BN_CLICKED), reinterpret_cast<LPARAM>(Btn));
        return true;
    }
    if (S.Verb == L"answer") {
        if (GLastAnswered && IsWindow(GLastAnswered))
            return false; // the box answered last is still closing
        TFind F{GMain->Handle(), nullptr};
        EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&F));
        if (!F.Found)
            return false;
        wchar_t Title[256] = L"";
        GetWindowTextW(F.Found, Title, 256);
        Trace("autopilot", "answer " + Utf8(S.Arg) + " to \"" + Utf8(Title) + "\"");
        GLastAnswered = F.Found;
        PostMessageW(F.Found, WM_COMMAND, MAKEWPARAM(AnswerId(S.Arg), BN_CLICKED), 0);
        return true;
    }
    return true; // an unknown step is passed over
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (GBusy || !GMain)
        return;
    GBusy = true;
    while (GNext < GSteps.size() && DoStep(GSteps[GNext]))
        ++GNext;
    GBusy = false;
}

} // namespace

void StartAutopilot(TWinFrmMain& Main) {
    wchar_t Buf[4096];
    const DWORD N = GetEnvironmentVariableW(L"KS_SETUP_AUTOPILOT", Buf, 4096);
    if (N == 0 || N >= 4096)
        return;
    const std::wstring All(Buf, N);
    size_t Pos = 0;
    while (Pos <= All.size()) {
        size_t End = All.find(L';', Pos);
        if (End == std::wstring::npos)
            End = All.size();
        const std::wstring Item = All.substr(Pos, End - Pos);
        const size_t Eq = Item.find(L'=');
        if (!Item.empty())
            GSteps.push_back({Item.substr(0, Eq), Eq == std::wstring::npos ? L"" : Item.substr(Eq + 1)});
        Pos = End + 1;
    }
    GMain = &Main;
    SetTimer(nullptr, 0, 100, Tick);
}

} // namespace ks::win
