// KSWinFileStream.cpp -- TKSFileStream on Win32 file handles with the system's real share modes.
//
// Access: fmOpenRead, fmOpenWrite, fmOpenReadWrite. Sharing: fmShareCompat and fmShareExclusive
// share nothing, fmShareDenyWrite lets others read, fmShareDenyRead lets others write,
// fmShareDenyNone lets others do anything (read, write, delete, rename). fmCreate creates or
// truncates with read-write access and no sharing: a file that another process holds open fails
// with a sharing violation and is left untouched, because CREATE_ALWAYS truncates only after the
// share check has passed.
#include "platform/KSStreams.h"
#include "platform/KSStrings.h"
#include "platform/win32/KSWinInternal.h"

namespace ks {

namespace {

// ReadFile and WriteFile take 32-bit counts.
constexpr int64_t kMaxChunk = 1 << 30;

HANDLE H(int Slot) {
    return win::SlotToHandle(Slot);
}

std::string Quoted(const TKSString& FileName) {
    return "\"" + WideToUtf8(FileName) + "\"";
}

} // namespace

TKSFileStream::TKSFileStream(const TKSString& FileName, uint16_t Mode) : FFileName(FileName), FMode(Mode) {
    const bool Create = Mode == fmCreate;
    auto Fail = [&](DWORD Err) {
        const std::string Detail = Err == ERROR_SHARING_VIOLATION || Err == ERROR_LOCK_VIOLATION
                                       ? std::string("The file is in use by another process.")
                                       : win::SysErrorMessage(Err);
        const std::string Msg = std::string(Create ? "Cannot create file " : "Cannot open file ") +
                                Quoted(FileName) + ". " + Detail;
        if (Create)
            throw EFCreateError(Msg);
        throw EFOpenError(Msg);
    };
    if (FileName.empty())
        Fail(ERROR_FILE_NOT_FOUND);

    DWORD Access = GENERIC_READ | GENERIC_WRITE, Share = 0, Disposition = CREATE_ALWAYS;
    if (!Create) {
        switch (Mode & 0x03) {
        case fmOpenRead:
            Access = GENERIC_READ;
            break;
        case fmOpenWrite:
            Access = GENERIC_WRITE;
            break;
        case fmOpenReadWrite:
            Access = GENERIC_READ | GENERIC_WRITE;
            break;
        default:
            Fail(ERROR_INVALID_PARAMETER);
        }
        switch (Mode & 0xF0) {
        case fmShareDenyWrite:
            Share = FILE_SHARE_READ;
            break;
        case fmShareDenyRead:
            Share = FILE_SHARE_WRITE;
            break;
        case fmShareDenyNone:
            Share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
            break;
        default: // fmShareCompat, fmShareExclusive
            Share = 0;
            break;
        }
        Disposition = OPEN_EXISTING;
    }
    const HANDLE Handle = CreateFileW(win::WinPath(FileName).c_str(), Access, Share, nullptr, Disposition,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (Handle == INVALID_HANDLE_VALUE)
        Fail(GetLastError());
    FFd = win::HandleToSlot(Handle);
}

TKSFileStream::~TKSFileStream() {
    if (FFd != -1)
        CloseHandle(H(FFd));
}

int64_t TKSFileStream::Read(void* Buffer, int64_t Count) {
    auto* P = static_cast<char*>(Buffer);
    int64_t Done = 0;
    while (Done < Count) {
        const DWORD Want = static_cast<DWORD>(Count - Done < kMaxChunk ? Count - Done : kMaxChunk);
        DWORD Got = 0;
        if (!ReadFile(H(FFd), P + Done, Want, &Got, nullptr) || Got == 0)
            break;
        Done += Got;
    }
    return Done;
}

int64_t TKSFileStream::Write(const void* Buffer, int64_t Count) {
    const auto* P = static_cast<const char*>(Buffer);
    int64_t Done = 0;
    while (Done < Count) {
        const DWORD Want = static_cast<DWORD>(Count - Done < kMaxChunk ? Count - Done : kMaxChunk);
        DWORD Put = 0;
        if (!WriteFile(H(FFd), P + Done, Want, &Put, nullptr) || Put == 0)
            break;
        Done += Put;
    }
    return Done;
}

int64_t TKSFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    const DWORD Method = Origin == TSeekOrigin::soBeginning
                             ? FILE_BEGIN
                             : (Origin == TSeekOrigin::soCurrent ? FILE_CURRENT : FILE_END);
    LARGE_INTEGER Move, Now;
    Move.QuadPart = Offset;
    if (!SetFilePointerEx(H(FFd), Move, &Now, Method))
        throw EStreamError("Cannot seek in file " + Quoted(FFileName) + ". " +
                           win::SysErrorMessage(GetLastError()));
    return Now.QuadPart;
}

int64_t TKSFileStream::Size() {
    LARGE_INTEGER S;
    if (!GetFileSizeEx(H(FFd), &S))
        throw EStreamError("Cannot read the size of file " + Quoted(FFileName) + ". " +
                           win::SysErrorMessage(GetLastError()));
    return S.QuadPart;
}

void TKSFileStream::SetSize(int64_t NewSize) {
    if (NewSize < 0)
        throw EWriteError("Cannot set the size of file " + Quoted(FFileName) + ". " +
                          win::SysErrorMessage(ERROR_INVALID_PARAMETER));
    const int64_t Old = Position();
    Seek(NewSize, TSeekOrigin::soBeginning);
    if (!SetEndOfFile(H(FFd))) {
        const DWORD Err = GetLastError();
        Seek(Old, TSeekOrigin::soBeginning);
        throw EWriteError("Cannot set the size of file " + Quoted(FFileName) + ". " +
                          win::SysErrorMessage(Err));
    }
    Seek(Old < NewSize ? Old : NewSize, TSeekOrigin::soBeginning);
}

bool TKSFileStream::FlushBuffers() {
    return FlushFileBuffers(H(FFd)) != 0;
}

bool TKSFileStream::SetDosDateTime(int32_t DosDateTime) {
    FILETIME Utc;
    if (!win::DosDateTimeToUtcFileTime(DosDateTime, Utc))
        return false;
    return SetFileTime(H(FFd), nullptr, nullptr, &Utc) != 0;
}

int32_t TKSFileStream::GetDosDateTime() {
    FILETIME Write;
    if (!GetFileTime(H(FFd), nullptr, nullptr, &Write))
        return -1;
    return win::UtcFileTimeToDosDateTime(Write);
}

// Windows files have no permission bits to give at creation: the caller applies the stored
// attributes afterwards (CreatedWithRights stays false).
TKSFileStream::TKSFileStream(const TKSString& FileName, uint16_t Mode, uint32_t)
    : TKSFileStream(FileName, Mode) {}

} // namespace ks
