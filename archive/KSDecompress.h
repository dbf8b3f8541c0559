// KSDecompress.h -- the seam between the item reader and the decryption of encrypted items.
//
// The reader (KSDecompress.cpp) runs the password loop and the block loop; what an encrypted item
// adds to them -- the bytes in front of and behind the data, the password check, the in-place
// decryption of every block and the final verdict -- comes from one TKSEntryDecrypter per item.
#pragma once

#include <cstdint>
#include <memory>

#include "archive/ZipRecords.h"
#include "platform/KSTypes.h"

namespace ks {

class TStream;
class TKSBaseArchiver;
struct TDirItem;

// Input block size of the reader, and the chunk size of stored data.
inline constexpr int32_t DefaultMaxBlockSize = 1048576;
inline constexpr int32_t KSStoredChunkSize = 65535;

class TKSEntryDecrypter {
public:
    virtual ~TKSEntryDecrypter() = default;

    // Stored bytes that are not compressed data (header, salt and verifier, authentication code).
    virtual int64_t Overhead() const = 0;
    // Reads the header that starts at the stream's position and checks Password against it. The
    // stream stands just after the header afterwards, whatever the outcome.
    virtual bool CheckPassword(TStream& Stream, const AnsiString& Password) = 0;
    // The password event gave a new password (and the item is not skipped).
    virtual void PasswordChanged(const AnsiString& Password) = 0;
    // Decrypts Count bytes in place, in data order.
    virtual void DecryptBuffer(uint8_t* Buffer, int64_t Count) = 0;
    // True when this item's verdict is its authentication code rather than its CRC-32.
    virtual bool HasAuthenticationCode() const = 0;
    // Reads what follows the data and gives the verdict; Crc32 is the computed (final) CRC-32.
    virtual bool IsSound(TStream& Stream, uint32_t Crc32) = 0;
};

// The decrypter of one item, or null when the item's scheme cannot be read by this build: such
// an item gives a false result (reported as an unsupported format). LocalHeader is the item's
// local header as read.
std::unique_ptr<TKSEntryDecrypter> KSCreateEntryDecrypter(TKSBaseArchiver& Arc, const TDirItem& Item,
                                                          const TKSZipFileHeader& LocalHeader);

} // namespace ks
