// KSFileStream.cpp -- TKSFileStream on POSIX file descriptors, with share modes emulated by
// open-file-description locks.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/KSFiles.h"
#include "platform/KSStreams.h"
#include "platform/KSStrings.h"

namespace ks {

namespace {

// Marker bytes, far beyond any real data. A shared lock on a marker announces the open's access
// or denial; no lock is ever taken on file data.
constexpr off_t kMarkerBase = static_cast<off_t>(1) << 62;
constexpr off_t kDoesRead = kMarkerBase + 0;
constexpr off_t kDoesWrite = kMarkerBase + 1;
constexpr off_t kDeniesRead = kMarkerBase + 2;
constexpr off_t kDeniesWrite = kMarkerBase + 3;

bool LockMarker(int Fd, off_t Marker, off_t Count = 1) {
    struct flock Fl;
    std::memset(&Fl, 0, sizeof Fl);
    Fl.l_type = F_RDLCK;
    Fl.l_whence = SEEK_SET;
    Fl.l_start = Marker;
    Fl.l_len = Count;
    return fcntl(Fd, F_OFD_SETLK, &Fl) == 0;
}

// True when another open file description holds a lock on Marker. Errors count as "no": a file
// system without locks does not enforce share modes.
bool MarkerTaken(int Fd, off_t Marker, off_t Count = 1) {
    struct flock Fl;
    std::memset(&Fl, 0, sizeof Fl);
    Fl.l_type = F_WRLCK;
    Fl.l_whence = SEEK_SET;
    Fl.l_start = Marker;
    Fl.l_len = Count;
    if (fcntl(Fd, F_OFD_GETLK, &Fl) != 0)
        return false;
    return Fl.l_type != F_UNLCK;
}

// Announces and checks. Returns false on a conflict with another open.
bool ApplyShareMode(int Fd, bool Reads, bool Writes, bool DenyRead, bool DenyWrite) {
    // Announce first, then test: two opens racing each other both see the other's announcement,
    // so at worst both fail; neither can slip past a conflicting holder.
    if (Reads && Writes && DenyRead && DenyWrite) {
        // Exclusive read-write (every create): all four markers are announced and all four are
        // tested, so one lock and one test over the whole marker range say the same.
        if (!LockMarker(Fd, kDoesRead, 4))
            return errno == EINVAL || errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS ||
                   errno == EBADF;
        return !MarkerTaken(Fd, kDoesRead, 4);
    }
    struct {
        bool Wanted;
        off_t Marker;
    } const Announce[] = {
        {Reads, kDoesRead}, {Writes, kDoesWrite}, {DenyRead, kDeniesRead}, {DenyWrite, kDeniesWrite}};
    for (const auto& A : Announce)
        if (A.Wanted && !LockMarker(Fd, A.Marker)) {
            if (errno == EINVAL || errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS ||
                errno == EBADF)
                return true; // locks unavailable here: no emulation
            return false;
        }
    if (Reads && MarkerTaken(Fd, kDeniesRead))
        return false;
    if (Writes && MarkerTaken(Fd, kDeniesWrite))
        return false;
    if (DenyRead && MarkerTaken(Fd, kDoesRead))
        return false;
    if (DenyWrite && MarkerTaken(Fd, kDoesWrite))
        return false;
    return true;
}

// Read-only opens read ahead this much: a window holds the local headers and data of several
// small items at once, and the copy out of it is cheap next to a system call.
constexpr int64_t kReadAhead = 32 * 1024;

// Repeats a transfer of the bytes from Done on until Count are moved, the end is reached or an
// error other than an interruption occurs; returns the bytes moved.
template <typename TStep> int64_t Transfer(int64_t Count, TStep Step) {
    int64_t Done = 0;
    while (Done < Count) {
        const ssize_t N = Step(Done);
        if (N < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (N == 0)
            break;
        Done += N;
    }
    return Done;
}

std::string Reason(int Err) {
    return std::strerror(Err);
}

} // namespace

TKSFileStream::TKSFileStream(const TKSString& FileName, uint16_t Mode) : FFileName(FileName), FMode(Mode) {
    Open(KSDefaultFileRights);
}

TKSFileStream::TKSFileStream(const TKSString& FileName, uint16_t Mode, uint32_t CreateRights)
    : FFileName(FileName), FMode(Mode) {
    Open(CreateRights & 0777);
}

void TKSFileStream::Open(uint32_t CreateRights) {
    const uint16_t Mode = FMode;
    const TKSString& FileName = FFileName;
    const AnsiString Native = KSToNativePath(FileName);
    const bool Create = Mode == fmCreate;
    const unsigned Access = Create ? fmOpenReadWrite : (Mode & 0x03);
    const unsigned Share = Create ? fmShareExclusive : (Mode & 0xF0);
    const bool Reads = Access == fmOpenRead || Access == fmOpenReadWrite;
    const bool Writes = Access == fmOpenWrite || Access == fmOpenReadWrite;
    const bool DenyRead = Share == fmShareCompat || Share == fmShareExclusive || Share == fmShareDenyRead;
    const bool DenyWrite = Share == fmShareCompat || Share == fmShareExclusive || Share == fmShareDenyWrite;

    auto Fail = [&](int Err, const char* What) {
        const std::string Detail = What[0] ? std::string(What) : Reason(Err);
        const std::string Msg = std::string(Create ? "Cannot create file \"" : "Cannot open file \"") +
                                WideToUtf8(FileName) + "\". " + Detail;
        if (Create)
            throw EFCreateError(Msg);
        throw EFOpenError(Msg);
    };
    if (Native.empty())
        Fail(ENOENT, "");
    if (Access == 3)
        Fail(EINVAL, "");

    // Write-only opens read-write where they may, so that they can hold the shared marker locks.
    // A create first tries to bring the file into being, so that it gets its rights at once; a file
    // that is already there is opened as it is and truncated below.
    int Flags = O_CLOEXEC;
    if (Create) {
        FFd = open(Native.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(CreateRights));
        FCreatedWithRights = FFd >= 0;
        if (FFd < 0 && errno != EEXIST)
            Fail(errno, "");
        Flags |= O_RDWR | O_CREAT;
    } else if (Access == fmOpenRead)
        Flags |= O_RDONLY;
    else
        Flags |= O_RDWR;
    if (FFd < 0)
        FFd = open(Native.c_str(), Flags, 0666);
    if (FFd < 0 && Access == fmOpenWrite && !Create && errno == EACCES)
        FFd = open(Native.c_str(), O_WRONLY | O_CLOEXEC);
    if (FFd < 0)
        Fail(errno, "");
    // A file this open brought into being is known to be an empty plain file.
    struct stat St;
    std::memset(&St, 0, sizeof St);
    const bool HaveStat = FCreatedWithRights || fstat(FFd, &St) == 0;
    if (HaveStat && S_ISDIR(St.st_mode)) {
        close(FFd);
        FFd = -1;
        Fail(EISDIR, "");
    }
    if (!ApplyShareMode(FFd, Reads, Writes, DenyRead, DenyWrite)) {
        close(FFd);
        FFd = -1;
        Fail(0, "The file is in use by another process.");
    }
    // Truncate only now: a file that another open holds is left as it was.
    // A file that is already empty (a fresh create) needs no truncation.
    if (Create && !(HaveStat && St.st_size == 0) && ftruncate(FFd, 0) != 0) {
        const int Err = errno;
        close(FFd);
        FFd = -1;
        Fail(Err, "");
    }
    if (!Create && Access == fmOpenRead)
        FAhead.resize(kReadAhead);
}

TKSFileStream::~TKSFileStream() {
    if (FFd >= 0)
        close(FFd); // releases the marker locks of this open file description
}

int64_t TKSFileStream::ReadAt(void* Buffer, int64_t Count, int64_t Offset) {
    return Transfer(Count, [&](int64_t Done) {
        return pread(FFd, static_cast<char*>(Buffer) + Done, static_cast<size_t>(Count - Done),
                     static_cast<off_t>(Offset + Done));
    });
}

int64_t TKSFileStream::Read(void* Buffer, int64_t Count) {
    if (Count <= 0)
        return 0;
    auto* P = static_cast<uint8_t*>(Buffer);
    int64_t Done = 0;
    if (!FAhead.empty()) {
        // What the window holds at the position, then either one direct read (large requests)
        // or a refill of the window.
        auto FromWindow = [&] {
            if (FPos < FAheadPos || FPos >= FAheadPos + FAheadLen)
                return;
            const int64_t N = std::min(Count - Done, FAheadPos + FAheadLen - FPos);
            std::memcpy(P + Done, FAhead.data() + (FPos - FAheadPos), static_cast<std::size_t>(N));
            Done += N;
            FPos += N;
        };
        FromWindow();
        if (Done < Count && Count - Done < static_cast<int64_t>(FAhead.size())) {
            FAheadPos = FPos;
            FAheadLen = ReadAt(FAhead.data(), static_cast<int64_t>(FAhead.size()), FPos);
            FromWindow();
            return Done;
        }
    }
    const int64_t N = ReadAt(P + Done, Count - Done, FPos);
    FPos += N;
    return Done + N;
}

int64_t TKSFileStream::Write(const void* Buffer, int64_t Count) {
    if (Count <= 0)
        return 0;
    FAheadLen = 0;
    const int64_t Done = Transfer(Count, [&](int64_t Sent) {
        return pwrite(FFd, static_cast<const char*>(Buffer) + Sent, static_cast<size_t>(Count - Sent),
                      static_cast<off_t>(FPos + Sent));
    });
    FPos += Done;
    return Done;
}

int64_t TKSFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    int64_t Base = FPos;
    if (Origin == TSeekOrigin::soBeginning)
        Base = 0;
    else if (Origin == TSeekOrigin::soEnd)
        Base = Size();
    if ((Offset > 0 && Base > INT64_MAX - Offset) || Base + Offset < 0)
        throw EStreamError("Cannot seek in file \"" + WideToUtf8(FFileName) + "\". " + Reason(EINVAL));
    FPos = Base + Offset;
    return FPos;
}

int64_t TKSFileStream::Size() {
    struct stat St;
    if (fstat(FFd, &St) != 0)
        throw EStreamError("Cannot read the size of file \"" + WideToUtf8(FFileName) + "\". " +
                           Reason(errno));
    return static_cast<int64_t>(St.st_size);
}

void TKSFileStream::SetSize(int64_t NewSize) {
    FAheadLen = 0;
    if (NewSize < 0 || ftruncate(FFd, static_cast<off_t>(NewSize)) != 0)
        throw EWriteError("Cannot set the size of file \"" + WideToUtf8(FFileName) + "\". " +
                          Reason(NewSize < 0 ? EINVAL : errno));
    if (FPos > NewSize)
        FPos = NewSize;
}

bool TKSFileStream::FlushBuffers() {
    return fsync(FFd) == 0;
}

bool TKSFileStream::SetDosDateTime(int32_t DosDateTime) {
    int64_t T;
    if (!KSDosDateTimeToUnixTime(DosDateTime, T))
        return false;
    struct timespec Times[2];
    Times[0].tv_sec = 0;
    Times[0].tv_nsec = UTIME_OMIT;
    Times[1].tv_sec = static_cast<time_t>(T);
    Times[1].tv_nsec = 0;
    return futimens(FFd, Times) == 0;
}

int32_t TKSFileStream::GetDosDateTime() {
    struct stat St;
    if (fstat(FFd, &St) != 0)
        return -1;
    return KSUnixTimeToDosDateTime(static_cast<int64_t>(St.st_mtim.tv_sec));
}

} // namespace ks
