// KSCipher.h -- the block cipher framework: TProtection, TCipher, the chaining modes and the
// cipher exception.
//
// A cipher is created with or without a key, becomes Initialized through Init or InitKey, and
// then transforms buffers with EncodeBuffer / DecodeBuffer in its current mode. The counter
// mode (cmCTR) is the one that works: the 64-bit little-endian counter in bytes 0..7 of the
// counter block is incremented before each key-stream block (the first block uses counter
// 1), bytes 8..15 never change, and position and counter run on across calls.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <utility>

#include "platform/KSException.h"
#include "platform/KSTypes.h"

namespace ks {

enum TCipherMode : std::int32_t {
    cmCTS,
    cmCBC,
    cmCFB,
    cmOFB,
    cmCTR,
    cmECB,
    cmCTSMAC,
    cmCBCMAC,
    cmCFBMAC,
};

class ECipherException : public Exception {
public:
    ECipherException(int Code, std::string Msg) : Exception(std::move(Msg)), ErrorCode(Code) {}
    int ErrorCode;
};

// Raises ECipherException with ErrorCode and Msg.
[[noreturn]] void RaiseCipherException(int ErrorCode, const std::string& Msg);

inline constexpr int errKeySize = 2;          // key longer than the cipher's key size (CheckCipherKeySize)
inline constexpr int errNotInitialized = 3;   // coding on a cipher that has no key
inline constexpr int errModeNotSupported = 4; // a chaining mode other than cmCTR

// When true, Init refuses keys longer than the cipher's key size instead of cutting them.
extern bool CheckCipherKeySize;

enum TPAction : std::int32_t { paEncode, paDecode };

// A reference-counted coding object. An object reached through references is destroyed by
// its last Release; one used directly is created and destroyed by its owner. A protection may
// be chained to another one (which it holds a reference to): encoding runs this protection,
// then the chained one; decoding runs them the other way round.
class TProtection {
public:
    explicit TProtection(TProtection* AProtection = nullptr);
    virtual ~TProtection();
    TProtection(const TProtection&) = delete;
    TProtection& operator=(const TProtection&) = delete;

    int AddRef();
    // Drops one reference; the last one destroys the object. Returns the references left.
    int Release();

    virtual void CodeInit(TPAction Action);
    virtual void CodeDone(TPAction Action);
    virtual void CodeBuf(void* Buffer, std::int32_t BufferSize, TPAction Action);
    // Codes DataSize bytes from Source to Dest (all of Source when DataSize < 0).
    virtual void CodeStream(std::istream& Source, std::ostream& Dest, std::int64_t DataSize, TPAction Action);
    virtual AnsiString CodeString(const AnsiString& Source, TPAction Action);
    // CodeInit, CodeBuf and CodeDone over one buffer, in place.
    virtual void CodeBuffer(void* Buffer, std::int32_t BufferSize, TPAction Action);

protected:
    TProtection* FProtection; // the chained protection, or nullptr

private:
    int FRefCount = 0;
};

class TCipher : public TProtection {
public:
    // Allocates the buffers, wipes the state and, when Key is given, calls InitKey(Key, keyLength, nullptr).
    explicit TCipher(const void* Key = nullptr, std::uint16_t keyLength = 0);
    ~TCipher() override;

    void CodeInit(TPAction Action) override;
    void CodeDone(TPAction Action) override;
    void CodeBuf(void* Buffer, std::int32_t BufferSize, TPAction Action) override;

    virtual void SetFlag(int Index, bool Value);
    virtual void InitEnd(const void* IVector);
    virtual void GetContext(std::int32_t& ABufSize, std::int32_t& AKeySize, std::int32_t& AUserSize) const;
    // The class's fixed 32-byte self-test block, or nullptr.
    virtual const void* TestVector() const;
    virtual void Encode(void* Data);
    virtual void Decode(void* Data);
    // The concrete cipher's key set-up: InitBegin(Size), the schedule, InitEnd(IVector).
    virtual void Init(const void* Key, std::int32_t Size, const void* IVector);
    // Ends a message: the feedback register returns to the initialisation vector.
    virtual void Done();
    // Wipes all key-dependent state and restarts the counter-mode key stream (counter zero,
    // no pending key-stream bytes).
    virtual void Protect();

    // Init with the first min(KeyLength, KeySize) bytes of Key, then Done; sets HasHashKey.
    void InitKey(const void* Key, std::int32_t KeyLength, const void* IVector);

    // Transform DataSize bytes in the current mode; Source and Dest may be the same buffer.
    void EncodeBuffer(const void* Source, void* Dest, std::int32_t DataSize);
    void DecodeBuffer(const void* Source, void* Dest, std::int32_t DataSize);

    virtual const char* ClassName() const { return "TCipher"; }

    TCipherMode Mode() const { return FMode; }
    void SetMode(TCipherMode Value) { FMode = Value; }
    std::int32_t KeySize() const { return FKeySize; }
    std::int32_t BufSize() const { return FBufSize; }
    std::int32_t UserSize() const { return FUserSize; }
    bool Initialized() const { return (FFlags & 2) != 0; }
    bool HasHashKey() const { return (FFlags & 1) != 0; }
    const std::uint8_t* Vector() const { return FVector.get(); }
    const std::uint8_t* Feedback() const { return FFeedback.get(); }
    const std::uint8_t* Buffer() const { return FBuffer.get(); }
    const std::uint8_t* User() const { return FUser.get(); }
    std::int32_t CtrPosition() const { return ctrMode_Position; }
    const std::uint8_t* CtrNonce() const { return ctrMode_Nonce.get(); }
    const std::uint8_t* CtrEncryptionBlock() const { return ctrMode_EncryptionBlock.get(); }

protected:
    // For concrete ciphers: their constructor body calls Setup, which reads their GetContext.
    struct TDeferSetup {};
    explicit TCipher(TDeferSetup);
    void Setup(const void* Key, std::uint16_t keyLength);

    // Clears Initialized and wipes the state; returns Size limited to 0..KeySize, or raises
    // errKeySize for a longer key while CheckCipherKeySize is true.
    std::int32_t InitBegin(std::int32_t Size);

    // Counter mode, whole blocks: for each of Blocks 16-byte blocks of Data, increments the
    // counter in Nonce, encrypts it and XORs the result into the block. The last key-stream
    // block is left in LastKeyStream. Ciphers with a faster bulk path override it.
    virtual void CtrBlocks(std::uint8_t* Nonce, std::uint8_t* Data, std::size_t Blocks,
                           std::uint8_t* LastKeyStream);

    // Increments the 64-bit little-endian counter in bytes 0..7 of Nonce (wrapping to zero).
    static void IncrementCounter(std::uint8_t* Nonce);

    std::uint8_t* UserData() { return FUser.get(); }

    TCipherMode FMode = cmCTS;
    TProtection* FHash = nullptr;
    std::int32_t FKeySize = 0;
    std::int32_t FBufSize = 0;
    std::int32_t FUserSize = 0;
    std::unique_ptr<std::uint8_t[]> FBuffer;
    std::unique_ptr<std::uint8_t[]> FVector;
    std::unique_ptr<std::uint8_t[]> FFeedback;
    std::unique_ptr<std::uint8_t[]> FUser;
    std::uint8_t FFlags = 0;
    std::int32_t ctrMode_Position = 0;
    std::unique_ptr<std::uint8_t[]> ctrMode_EncryptionBlock;
    std::unique_ptr<std::uint8_t[]> ctrMode_Nonce;

private:
    void Transform(const void* Source, void* Dest, std::int32_t DataSize);
    void CodeCtr(std::uint8_t* Data, std::size_t Size);
};

} // namespace ks
