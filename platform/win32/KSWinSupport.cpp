// KSWinSupport.cpp -- path spelling for the wide file calls and system error texts.
#include <vector>

#include "platform/KSStrings.h"
#include "platform/win32/KSWinInternal.h"

namespace ks::win {

namespace {

// CreateDirectoryW refuses names longer than MAX_PATH - 12 even where files would still fit.
constexpr std::size_t kClassicLimit = MAX_PATH - 12;

bool IsFullyQualified(const std::wstring& P) {
    if (P.size() >= 3 && P[1] == L':' && P[2] == L'\\')
        return true;
    return P.size() >= 2 && P[0] == L'\\' && P[1] == L'\\';
}

} // namespace

std::wstring WinPath(const TKSString& FileName) {
    std::wstring P = ToW(FileName);
    for (wchar_t& C : P)
        if (C == L'/')
            C = L'\\';
    if (P.size() < kClassicLimit || P.rfind(L"\\\\?\\", 0) == 0)
        return P;
    // Long name: normalise it ("..", ".", repeated separators), then mark it as literal.
    const DWORD Need = GetFullPathNameW(P.c_str(), 0, nullptr, nullptr);
    if (Need == 0)
        return P;
    std::vector<wchar_t> Buf(Need + 1);
    const DWORD Got = GetFullPathNameW(P.c_str(), static_cast<DWORD>(Buf.size()), Buf.data(), nullptr);
    if (Got == 0 || Got >= Buf.size())
        return P;
    std::wstring Full(Buf.data(), Got);
    if (!IsFullyQualified(Full))
        return P;
    if (Full[0] == L'\\' && Full[1] == L'\\')
        return L"\\\\?\\UNC\\" + Full.substr(2);
    return L"\\\\?\\" + Full;
}

std::string SysErrorMessage(DWORD Code) {
    wchar_t* Text = nullptr;
    const DWORD N = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, Code, 0, reinterpret_cast<wchar_t*>(&Text), 0, nullptr);
    std::wstring W;
    if (N && Text)
        W.assign(Text, N);
    if (Text)
        LocalFree(Text);
    while (!W.empty() && (W.back() == L'\n' || W.back() == L'\r' || W.back() == L' '))
        W.pop_back();
    if (W.empty())
        return "System error " + std::to_string(Code) + ".";
    return WideToUtf8(FromW(W));
}

} // namespace ks::win
