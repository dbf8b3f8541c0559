#include "installer/win32/WinPayload.h"

#include "installer/win32/WinApi.h"

namespace ks::win {

std::span<const uint8_t> PayloadResource() {
    HMODULE Self = GetModuleHandleW(nullptr);
    HRSRC Info = FindResourceW(Self, MAKEINTRESOURCEW(PayloadResourceId), MAKEINTRESOURCEW(10)); // RT_RCDATA
    if (!Info)
        return {};
    HGLOBAL Data = LoadResource(Self, Info);
    const DWORD Size = SizeofResource(Self, Info);
    const void* Bytes = Data ? LockResource(Data) : nullptr;
    if (!Bytes || Size == 0)
        return {};
    return {static_cast<const uint8_t*>(Bytes), Size};
}

} // namespace ks::win
