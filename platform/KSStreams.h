// KSStreams.h -- byte streams: the abstract TStream, files, growable memory, read-only memory.
//
// Sizes and positions are 64-bit. Read and Write move as many bytes as they can and return that
// number; ReadBuffer and WriteBuffer demand the whole count and raise EReadError / EWriteError.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/KSException.h"
#include "platform/KSTypes.h"

namespace ks {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// File open modes: one access mode OR one share mode, or fmCreate.
constexpr uint16_t fmCreate = 0xFFFF; // create or truncate, read-write, others locked out
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareCompat = 0x0000; // as fmShareExclusive
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;

class TStream {
public:
    virtual ~TStream() = default;
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;

    // Reads up to Count bytes at the position and advances; returns the number read (0 at end).
    virtual int64_t Read(void* Buffer, int64_t Count) = 0;
    // Writes up to Count bytes at the position and advances; returns the number written.
    virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
    // Moves the position and returns the new one. Positions past the end are allowed; a
    // negative resulting position raises EStreamError.
    virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;
    virtual int64_t Size();
    // Truncates or extends (with zero bytes); the position stays unless it lay past the new end.
    virtual void SetSize(int64_t NewSize) = 0;

    int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(int64_t Pos) { Seek(Pos, TSeekOrigin::soBeginning); }

    // Raises EReadError ("Stream read error") when fewer than Count bytes can be read.
    void ReadBuffer(void* Buffer, int64_t Count);
    // Raises EWriteError ("Stream write error") when fewer than Count bytes can be written.
    void WriteBuffer(const void* Buffer, int64_t Count);
    // Copies Count bytes from Source's position; Count 0 copies the whole of Source from its
    // start. Raises EReadError when Source runs short. Returns the bytes copied.
    int64_t CopyFrom(TStream& Source, int64_t Count);
};

// A file opened by wide name. Opens for reading only keep a small read-ahead window, so that the
// many short reads of an archive's headers and small items cost one system call per window; other
// opens have no buffering beyond the operating system's.
//
// Share modes are emulated between processes with open-file-description locks on four marker
// bytes far beyond any real data (offsets 2^62 .. 2^62+3): an open announces what it does (read,
// write) and what it denies (read, write) with shared locks on the markers, then tests whether
// another open description denies what it does or does what it denies; on conflict the open
// fails. So "another process holds the file open for writing" is observable among programs that
// use this layer: a second fmOpenReadWrite|fmShareDenyWrite fails while the first is open, and
// fmOpenRead|fmShareDenyNone succeeds. On file systems without such locks the modes are not
// enforced. fmCreate denies both (exclusive) and truncates only after its locks are granted, so a
// file held by another opener is left untouched.
class TKSFileStream : public TStream {
public:
    // Opens (or with fmCreate creates) FileName. Raises EFOpenError / EFCreateError with the
    // name and the reason when that fails.
    TKSFileStream(const TKSString& FileName, uint16_t Mode);
    // The same; a file that fmCreate brings into being gets the permission bits CreateRights
    // (filtered by the process umask) where the system has them. CreatedWithRights tells whether
    // that happened (false where the file existed before, and on Windows).
    TKSFileStream(const TKSString& FileName, uint16_t Mode, uint32_t CreateRights);
    ~TKSFileStream() override;

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t Size() override;
    void SetSize(int64_t NewSize) override;

    const TKSString& FileName() const { return FFileName; }
    uint16_t Mode() const { return FMode; }
    // Pushes written data to the device (fsync). False on failure.
    bool FlushBuffers();
    // Sets the open file's last-write time from a DOS date-time in local time. False on failure.
    bool SetDosDateTime(int32_t DosDateTime);
    // The open file's last-write time as a DOS date-time, or -1.
    int32_t GetDosDateTime();
    bool CreatedWithRights() const { return FCreatedWithRights; }

private:
    void Open(uint32_t CreateRights);
    int64_t ReadAt(void* Buffer, int64_t Count, int64_t Offset);

    TKSString FFileName;
    uint16_t FMode;
    int FFd = -1;
    bool FCreatedWithRights = false;
    // POSIX: the position is kept here and every transfer names its offset, so seeking costs no
    // system call; read-only opens keep FAheadLen bytes of the file from offset FAheadPos.
    int64_t FPos = 0;
    std::vector<uint8_t> FAhead;
    int64_t FAheadPos = 0;
    int64_t FAheadLen = 0;
};

// Permission bits given to new files where a caller has none to give.
constexpr uint32_t KSDefaultFileRights = 0666;

// A growable stream in memory.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t Size() override { return static_cast<int64_t>(FData.size()); }
    void SetSize(int64_t NewSize) override;

    void Clear();
    uint8_t* Memory() { return FData.data(); }
    const uint8_t* Memory() const { return FData.data(); }
    const std::vector<uint8_t>& Bytes() const { return FData; }
    // Replaces the contents with the whole of Source (from its start); position 0 afterwards.
    void LoadFromStream(TStream& Source);
    void SaveToStream(TStream& Dest) const;
    void LoadFromFile(const TKSString& FileName);
    void SaveToFile(const TKSString& FileName) const;

private:
    std::vector<uint8_t> FData;
    int64_t FPosition = 0;
};

// A read-only view of bytes that outlive the stream (the installer's embedded payload). Write
// returns 0 (WriteBuffer raises EWriteError); SetSize raises EStreamError.
class TReadOnlyMemoryStream : public TStream {
public:
    TReadOnlyMemoryStream(const void* Data, int64_t Size);

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t Size() override { return FSize; }
    void SetSize(int64_t NewSize) override;

    const uint8_t* Memory() const { return FData; }

private:
    const uint8_t* FData;
    int64_t FSize;
    int64_t FPosition = 0;
};

} // namespace ks
