// KSCipher.cpp -- TProtection and the generic part of TCipher (set-up, wiping, counter mode).
#include "crypto/KSCipher.h"

#include <algorithm>
#include <cstring>
#include <istream>
#include <ostream>
#include <vector>

namespace ks {

bool CheckCipherKeySize = false;

void RaiseCipherException(int ErrorCode, const std::string& Msg) {
    throw ECipherException(ErrorCode, Msg);
}

// ---- TProtection ----

TProtection::TProtection(TProtection* AProtection) : FProtection(AProtection) {
    if (FProtection)
        FProtection->AddRef();
}

TProtection::~TProtection() {
    if (FProtection)
        FProtection->Release();
}

int TProtection::AddRef() {
    return ++FRefCount;
}

int TProtection::Release() {
    const int left = --FRefCount;
    if (left <= 0)
        delete this;
    return left;
}

void TProtection::CodeInit(TPAction Action) {
    if (FProtection)
        FProtection->CodeInit(Action);
}

void TProtection::CodeDone(TPAction Action) {
    if (FProtection)
        FProtection->CodeDone(Action);
}

void TProtection::CodeBuf(void* Buffer, std::int32_t BufferSize, TPAction Action) {
    if (FProtection)
        FProtection->CodeBuf(Buffer, BufferSize, Action);
}

void TProtection::CodeStream(std::istream& Source, std::ostream& Dest, std::int64_t DataSize,
                             TPAction Action) {
    std::vector<char> chunk(64 * 1024);
    CodeInit(Action);
    while (DataSize != 0 && Source) {
        std::streamsize want = static_cast<std::streamsize>(chunk.size());
        if (DataSize > 0 && DataSize < want)
            want = static_cast<std::streamsize>(DataSize);
        Source.read(chunk.data(), want);
        const std::streamsize got = Source.gcount();
        if (got <= 0)
            break;
        CodeBuf(chunk.data(), static_cast<std::int32_t>(got), Action);
        Dest.write(chunk.data(), got);
        if (DataSize > 0)
            DataSize -= got;
    }
    CodeDone(Action);
}

AnsiString TProtection::CodeString(const AnsiString& Source, TPAction Action) {
    AnsiString result = Source;
    CodeBuffer(result.data(), static_cast<std::int32_t>(result.size()), Action);
    return result;
}

void TProtection::CodeBuffer(void* Buffer, std::int32_t BufferSize, TPAction Action) {
    CodeInit(Action);
    CodeBuf(Buffer, BufferSize, Action);
    CodeDone(Action);
}

// ---- TCipher ----

TCipher::TCipher(const void* Key, std::uint16_t keyLength) : TProtection(nullptr) {
    Setup(Key, keyLength);
}

TCipher::TCipher(TDeferSetup) : TProtection(nullptr) {}

void TCipher::Setup(const void* Key, std::uint16_t keyLength) {
    GetContext(FBufSize, FKeySize, FUserSize);
    const auto buf = static_cast<std::size_t>(std::max(FBufSize, 0));
    FBuffer = std::make_unique<std::uint8_t[]>(buf);
    FVector = std::make_unique<std::uint8_t[]>(buf);
    FFeedback = std::make_unique<std::uint8_t[]>(buf);
    FUser = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(std::max(FUserSize, 0)));
    ctrMode_EncryptionBlock = std::make_unique<std::uint8_t[]>(buf);
    ctrMode_Nonce = std::make_unique<std::uint8_t[]>(buf);
    Protect();
    if (Key != nullptr)
        InitKey(Key, keyLength, nullptr);
}

TCipher::~TCipher() {
    // Wipes the key-dependent state, the key stream included.
    TCipher::Protect();
    if (FHash)
        FHash->Release();
}

void TCipher::CodeInit(TPAction Action) {
    if (!Initialized())
        RaiseCipherException(errNotInitialized, std::string(ClassName()) +
                                                    " is not initialized call Init() or InitKey() before.");
    TProtection::CodeInit(Action);
}

void TCipher::CodeDone(TPAction Action) {
    TProtection::CodeDone(Action);
    Done();
}

void TCipher::CodeBuf(void* Buffer, std::int32_t BufferSize, TPAction Action) {
    if (Action == paEncode) {
        EncodeBuffer(Buffer, Buffer, BufferSize);
        TProtection::CodeBuf(Buffer, BufferSize, Action);
    } else {
        TProtection::CodeBuf(Buffer, BufferSize, Action);
        DecodeBuffer(Buffer, Buffer, BufferSize);
    }
}

void TCipher::SetFlag(int Index, bool Value) {
    if (Index < 0 || Index > 7)
        return;
    const auto bit = static_cast<std::uint8_t>(1u << Index);
    FFlags = Value ? static_cast<std::uint8_t>(FFlags | bit) : static_cast<std::uint8_t>(FFlags & ~bit);
}

void TCipher::GetContext(std::int32_t& ABufSize, std::int32_t& AKeySize, std::int32_t& AUserSize) const {
    ABufSize = 0;
    AKeySize = 0;
    AUserSize = 0;
}

const void* TCipher::TestVector() const {
    return nullptr;
}

void TCipher::Encode(void*) {}

void TCipher::Decode(void*) {}

void TCipher::Init(const void*, std::int32_t, const void*) {}

std::int32_t TCipher::InitBegin(std::int32_t Size) {
    SetFlag(1, false);
    Protect();
    if (Size < 0)
        Size = 0;
    if (Size > FKeySize) {
        if (CheckCipherKeySize)
            RaiseCipherException(errKeySize, "Length from Encryptionkey is invalid.\r\nKeysize for " +
                                                 std::string(ClassName()) + " must be to 0-" +
                                                 std::to_string(FKeySize) + " bytes");
        Size = FKeySize;
    }
    return Size;
}

void TCipher::InitEnd(const void* IVector) {
    const auto b = static_cast<std::size_t>(FBufSize);
    if (IVector != nullptr)
        std::memcpy(FVector.get(), IVector, b);
    else
        Encode(FVector.get());
    std::memcpy(FFeedback.get(), FVector.get(), b);
    SetFlag(1, true);
}

void TCipher::InitKey(const void* Key, std::int32_t KeyLength, const void* IVector) {
    Init(Key, std::clamp(KeyLength, 0, FKeySize), IVector);
    Done();
    SetFlag(0, true);
}

void TCipher::Done() {
    const auto b = static_cast<std::size_t>(FBufSize);
    if (b > 0 && std::memcmp(FVector.get(), FFeedback.get(), b) != 0) {
        std::memcpy(FBuffer.get(), FFeedback.get(), b);
        std::memcpy(FFeedback.get(), FVector.get(), b);
    }
}

void TCipher::Protect() {
    SetFlag(0, false);
    SetFlag(1, false);
    const auto b = static_cast<std::size_t>(std::max(FBufSize, 0));
    const auto u = static_cast<std::size_t>(std::max(FUserSize, 0));
    // Two fill patterns before the final values, so no bit of the old state survives in place.
    for (const std::uint8_t pattern : {std::uint8_t(0xAA), std::uint8_t(0x55)}) {
        std::memset(FVector.get(), pattern, b);
        std::memset(FFeedback.get(), pattern, b);
        std::memset(FBuffer.get(), pattern, b);
        std::memset(FUser.get(), pattern, u);
    }
    std::memset(FVector.get(), 0xFF, b);
    std::memset(FFeedback.get(), 0xFF, b);
    std::memset(FBuffer.get(), 0, b);
    std::memset(FUser.get(), 0, u);
    // The counter-mode state restarts too: a cipher given a new key must not finish the key
    // stream block of the old key.
    std::memset(ctrMode_Nonce.get(), 0, b);
    std::memset(ctrMode_EncryptionBlock.get(), 0, b);
    ctrMode_Position = FBufSize;
}

void TCipher::EncodeBuffer(const void* Source, void* Dest, std::int32_t DataSize) {
    Transform(Source, Dest, DataSize);
}

void TCipher::DecodeBuffer(const void* Source, void* Dest, std::int32_t DataSize) {
    Transform(Source, Dest, DataSize);
}

void TCipher::Transform(const void* Source, void* Dest, std::int32_t DataSize) {
    if (!Initialized() || FBufSize <= 0)
        RaiseCipherException(errNotInitialized, std::string(ClassName()) +
                                                    " is not initialized call Init() or InitKey() before.");
    if (FMode != cmCTR)
        RaiseCipherException(errModeNotSupported, std::string(ClassName()) + ": chaining mode " +
                                                      std::to_string(static_cast<int>(FMode)) +
                                                      " is not supported, only counter mode (cmCTR)");
    if (DataSize <= 0)
        return;
    if (Source != Dest)
        std::memmove(Dest, Source, static_cast<std::size_t>(DataSize));
    CodeCtr(static_cast<std::uint8_t*>(Dest), static_cast<std::size_t>(DataSize));
}

void TCipher::IncrementCounter(std::uint8_t* Nonce) {
    // Bytes 0..7 are one little-endian number: the first byte below 0xFF is incremented and the
    // bytes before it become 0; eight 0xFF bytes all become 0.
    for (int i = 0; i < 8; ++i)
        if (++Nonce[i] != 0)
            break;
}

void TCipher::CtrBlocks(std::uint8_t* Nonce, std::uint8_t* Data, std::size_t Blocks,
                        std::uint8_t* LastKeyStream) {
    const auto b = static_cast<std::size_t>(FBufSize);
    for (; Blocks > 0; --Blocks, Data += b) {
        IncrementCounter(Nonce);
        std::memcpy(LastKeyStream, Nonce, b);
        Encode(LastKeyStream);
        for (std::size_t i = 0; i < b; ++i)
            Data[i] ^= LastKeyStream[i];
    }
}

void TCipher::CodeCtr(std::uint8_t* Data, std::size_t Size) {
    const auto b = static_cast<std::size_t>(FBufSize);
    std::uint8_t* ks = ctrMode_EncryptionBlock.get();
    auto pos = static_cast<std::size_t>(std::clamp(ctrMode_Position, 0, FBufSize));
    // The rest of the current key-stream block first.
    while (Size > 0 && pos < b) {
        *Data++ ^= ks[pos++];
        --Size;
    }
    const std::size_t whole = Size / b;
    if (whole > 0) {
        CtrBlocks(ctrMode_Nonce.get(), Data, whole, ks);
        Data += whole * b;
        Size -= whole * b;
        pos = b;
    }
    if (Size > 0) {
        IncrementCounter(ctrMode_Nonce.get());
        std::memcpy(ks, ctrMode_Nonce.get(), b);
        Encode(ks);
        for (pos = 0; pos < Size; ++pos)
            Data[pos] ^= ks[pos];
    }
    ctrMode_Position = static_cast<std::int32_t>(pos);
}

} // namespace ks
