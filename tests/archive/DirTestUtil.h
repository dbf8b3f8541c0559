// DirTestUtil.h -- loading test archives into a directory manager, shared by the directory tests.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/KSDirManager.h"
#include "archive/KSExcept.h"
#include "archive/Kestrel.h"
#include "platform/KSStreams.h"
#include "platform/KSStrings.h"
#include "tests/support/ZipWriter.h"

// The tests name only the options they set (designated initializers); the rest keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace ks::dirtest {

using test::Bytes;

// An archive in a memory stream, a component for the options, and the manager over both.
struct Loaded {
    std::unique_ptr<TMemoryStream> Stream = std::make_unique<TMemoryStream>();
    std::unique_ptr<TKestrel> Arc = std::make_unique<TKestrel>();
    std::unique_ptr<TKSDirManager> DM;

    int32_t Count() const { return DM->CDir.Count(); }
    const TDirItem& Item(int32_t i) const { return *DM->CDir.GetItemPtr(i); }
    TKSString Name(int32_t i) const { return Item(i).Name; }
};

struct LoadOptions {
    bool OpenCorrupted = true; // the component's default
    bool OEMFileNames = true;
    TKSSpanningMode Spanning = smNone;
};

// Builds the manager over Archive; the caller calls LoadDir (or what it tests).
inline std::unique_ptr<Loaded> Prepare(const Bytes& Archive, const LoadOptions& O = {}) {
    auto L = std::make_unique<Loaded>();
    L->Arc->FOpenCorruptedArchives = O.OpenCorrupted;
    L->Arc->FOptions->FOEMFileNames = O.OEMFileNames;
    L->Arc->FSpanningMode = O.Spanning;
    if (!Archive.empty())
        L->Stream->WriteBuffer(Archive.data(), static_cast<int64_t>(Archive.size()));
    L->Stream->SetPosition(0);
    L->DM = std::make_unique<TKSDirManager>(L->Stream.get(), L->Arc.get(), false);
    return L;
}

inline std::unique_ptr<Loaded> Load(const Bytes& Archive, const LoadOptions& O = {}) {
    auto L = Prepare(Archive, O);
    L->DM->LoadDir();
    return L;
}

// The native code of the EKSException F raises; -1 when it raises none (other exceptions pass).
inline int32_t NativeOf(const std::function<void()>& F) {
    try {
        F();
    } catch (const EKSException& E) {
        return E.NativeError;
    }
    return -1;
}

inline TKSString U8(const std::string& S) {
    return Utf8ToWide(S);
}

inline Bytes Concat(Bytes A, const Bytes& B) {
    A.insert(A.end(), B.begin(), B.end());
    return A;
}

// One extra block (header ID, size, data).
inline Bytes Field(uint16_t ID, const Bytes& Data) {
    Bytes Out{static_cast<uint8_t>(ID), static_cast<uint8_t>(ID >> 8), static_cast<uint8_t>(Data.size()),
              static_cast<uint8_t>(Data.size() >> 8)};
    return Concat(Out, Data);
}

inline Bytes LE64(uint64_t V) {
    Bytes Out;
    for (int i = 0; i < 8; ++i)
        Out.push_back(static_cast<uint8_t>(V >> (8 * i)));
    return Out;
}

inline Bytes LE32(uint32_t V) {
    Bytes Out;
    for (int i = 0; i < 4; ++i)
        Out.push_back(static_cast<uint8_t>(V >> (8 * i)));
    return Out;
}

// Sets the process's code pages for one test and restores the locale's afterwards.
struct CodePageGuard {
    CodePageGuard(TKSCodePage Oem, TKSCodePage Ansi) {
        KSSetOemCodePage(Oem);
        KSSetAnsiCodePage(Ansi);
    }
    ~CodePageGuard() { KSResetCodePages(); }
    CodePageGuard(const CodePageGuard&) = delete;
    CodePageGuard& operator=(const CodePageGuard&) = delete;
};

// File offset of the local header of the entry named Name (searched in the bytes themselves).
inline uint64_t LocalHeaderOf(const Bytes& A, const std::string& Name) {
    for (size_t i = 0; i + 30 + Name.size() <= A.size(); ++i) {
        if (A[i] != 0x50 || A[i + 1] != 0x4B || A[i + 2] != 3 || A[i + 3] != 4)
            continue;
        const size_t Len = A[i + 26] | (A[i + 27] << 8);
        if (Len == Name.size() && std::equal(Name.begin(), Name.end(), A.begin() + static_cast<long>(i) + 30,
                                             [](char c, uint8_t b) { return static_cast<uint8_t>(c) == b; }))
            return i;
    }
    return UINT64_MAX;
}

} // namespace ks::dirtest
