// KSCodePages.cpp -- single-byte code page conversions by table, and the current OEM/ANSI pair.
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/KSException.h"
#include "platform/KSStrings.h"
#include "platform/common/KSCodePageTable.h"

namespace ks {

namespace {

constexpr char kReplacementByte = '?';

// Both directions of one page. Encode holds the byte for every BMP code unit, 0 meaning "not in
// the page" (U+0000 is handled on its own).
struct TPageTables {
    std::array<char16_t, 256> Decode{};
    std::array<uint8_t, 65536> Encode{};
};

// Tables are built once per page and kept for the life of the process, so the pointers handed out
// stay valid without holding the lock.
class TPageCache {
public:
    const TPageTables* Get(TKSCodePage Page) {
        std::lock_guard<std::mutex> Lock(FMutex);
        auto It = FPages.find(Page);
        if (It != FPages.end())
            return It->second.get();
        auto Tables = Build(Page);
        const TPageTables* Result = Tables.get();
        FPages.emplace(Page, std::move(Tables)); // a failed build is cached as nullptr too
        return Result;
    }

    const std::array<uint8_t, 256>* GetRecode(TKSCodePage From, TKSCodePage To) {
        const TPageTables* A = Get(From);
        const TPageTables* B = Get(To);
        if (!A || !B)
            return nullptr;
        std::lock_guard<std::mutex> Lock(FMutex);
        const uint64_t Key = (static_cast<uint64_t>(From) << 32) | To;
        auto It = FRecode.find(Key);
        if (It != FRecode.end())
            return It->second.get();
        auto T = std::make_unique<std::array<uint8_t, 256>>();
        for (int Byte = 0; Byte < 256; ++Byte) {
            const char16_t C = A->Decode[static_cast<std::size_t>(Byte)];
            const uint8_t Out = B->Encode[C];
            (*T)[static_cast<std::size_t>(Byte)] =
                (C == 0) ? 0 : (Out ? Out : static_cast<uint8_t>(kReplacementByte));
        }
        const auto* Result = T.get();
        FRecode.emplace(Key, std::move(T));
        return Result;
    }

private:
    static std::unique_ptr<TPageTables> Build(TKSCodePage Page) {
        detail::TKSCodePageDecodeTable Raw;
        if (!detail::KSLoadCodePageDecodeTable(Page, Raw))
            return nullptr;
        auto T = std::make_unique<TPageTables>();
        // Defined bytes first, so that their code points keep their own byte.
        for (int Byte = 1; Byte < 256; ++Byte) {
            const auto B = static_cast<std::size_t>(Byte);
            if (Raw.Defined[B]) {
                T->Decode[B] = Raw.Chars[B];
                if (T->Encode[Raw.Chars[B]] == 0)
                    T->Encode[Raw.Chars[B]] = static_cast<uint8_t>(Byte);
            }
        }
        // An undefined byte becomes the code point of its own value when that is still free,
        // and converts back to itself; otherwise U+FFFD.
        for (int Byte = 1; Byte < 256; ++Byte) {
            const auto B = static_cast<std::size_t>(Byte);
            if (Raw.Defined[B])
                continue;
            if (T->Encode[B] == 0) {
                T->Decode[B] = static_cast<char16_t>(Byte);
                T->Encode[B] = static_cast<uint8_t>(Byte);
            } else
                T->Decode[B] = 0xFFFD;
        }
        T->Decode[0] = 0;
        return T;
    }

    std::mutex FMutex;
    std::unordered_map<TKSCodePage, std::unique_ptr<TPageTables>> FPages;
    std::unordered_map<uint64_t, std::unique_ptr<std::array<uint8_t, 256>>> FRecode;
};

TPageCache& Cache() {
    static auto* C = new TPageCache; // never destroyed: conversions may run during exit
    return *C;
}

const TPageTables& Tables(TKSCodePage Page) {
    const TPageTables* T = Cache().Get(Page);
    if (!T)
        throw Exception("Code page " + std::to_string(Page) + " is not supported");
    return *T;
}

// The current pair; 0 means "not chosen yet".
std::atomic<TKSCodePage> GOem{0}, GAnsi{0};
std::once_flag GInitOnce;

void InitCurrent() {
    std::call_once(GInitOnce, [] {
        TKSCodePagePair P = KSLocaleCodePages();
        if (!KSIsCodePageSupported(P.Oem))
            P.Oem = 437;
        if (!KSIsCodePageSupported(P.Ansi))
            P.Ansi = 1252;
        TKSCodePage Zero = 0;
        GOem.compare_exchange_strong(Zero, P.Oem);
        Zero = 0;
        GAnsi.compare_exchange_strong(Zero, P.Ansi);
    });
}

} // namespace

bool KSIsCodePageSupported(TKSCodePage Page) {
    return Cache().Get(Page) != nullptr;
}

TKSCodePage KSOemCodePage() {
    InitCurrent();
    return GOem.load();
}

TKSCodePage KSAnsiCodePage() {
    InitCurrent();
    return GAnsi.load();
}

bool KSSetOemCodePage(TKSCodePage Page) {
    if (!KSIsCodePageSupported(Page))
        return false;
    InitCurrent();
    GOem = Page;
    return true;
}

bool KSSetAnsiCodePage(TKSCodePage Page) {
    if (!KSIsCodePageSupported(Page))
        return false;
    InitCurrent();
    GAnsi = Page;
    return true;
}

void KSResetCodePages() {
    InitCurrent();
    TKSCodePagePair P = KSLocaleCodePages();
    GOem = KSIsCodePageSupported(P.Oem) ? P.Oem : 437;
    GAnsi = KSIsCodePageSupported(P.Ansi) ? P.Ansi : 1252;
}

TKSString KSCodePageToWide(std::string_view Bytes, TKSCodePage Page) {
    const TPageTables& T = Tables(Page);
    TKSString R(Bytes.size(), u'\0');
    for (std::size_t I = 0; I < Bytes.size(); ++I)
        R[I] = T.Decode[static_cast<uint8_t>(Bytes[I])];
    return R;
}

AnsiString KSWideToCodePage(std::u16string_view S, TKSCodePage Page) {
    const TPageTables& T = Tables(Page);
    AnsiString R;
    R.reserve(S.size());
    for (std::size_t I = 0; I < S.size(); ++I) {
        const char16_t C = S[I];
        if (C == 0) {
            R.push_back('\0');
            continue;
        }
        // A surrogate pair is one character and gives one replacement byte.
        if (C >= 0xD800 && C <= 0xDBFF && I + 1 < S.size() && S[I + 1] >= 0xDC00 && S[I + 1] <= 0xDFFF) {
            ++I;
            R.push_back(kReplacementByte);
            continue;
        }
        const uint8_t B = T.Encode[C];
        R.push_back(B ? static_cast<char>(B) : kReplacementByte);
    }
    return R;
}

TKSString KSAnsiToWide(std::string_view Bytes) {
    return KSCodePageToWide(Bytes, KSAnsiCodePage());
}
AnsiString KSWideToAnsi(std::u16string_view S) {
    return KSWideToCodePage(S, KSAnsiCodePage());
}
TKSString KSOemToWide(std::string_view Bytes) {
    return KSCodePageToWide(Bytes, KSOemCodePage());
}
AnsiString KSWideToOem(std::u16string_view S) {
    return KSWideToCodePage(S, KSOemCodePage());
}

void KSConvertCodePageBuff(char* Buffer, std::size_t Len, TKSCodePage From, TKSCodePage To) {
    if (From == To) {
        Tables(From); // still reject an unsupported page
        return;
    }
    const auto* Map = Cache().GetRecode(From, To);
    if (!Map)
        throw Exception("Code page " + std::to_string(KSIsCodePageSupported(From) ? To : From) +
                        " is not supported");
    for (std::size_t I = 0; I < Len; ++I)
        Buffer[I] = static_cast<char>((*Map)[static_cast<uint8_t>(Buffer[I])]);
}

void KSOemToAnsiBuff(char* Buffer, std::size_t Len) {
    KSConvertCodePageBuff(Buffer, Len, KSOemCodePage(), KSAnsiCodePage());
}

void KSOemToAnsiBuff(AnsiString& S) {
    KSOemToAnsiBuff(S.data(), S.size());
}

void KSAnsiToOemBuff(char* Buffer, std::size_t Len) {
    KSConvertCodePageBuff(Buffer, Len, KSAnsiCodePage(), KSOemCodePage());
}

} // namespace ks
