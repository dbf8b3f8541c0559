// ZipWriter.h -- a small ZIP writer for building test archives (not part of the engine).
//
// It writes local and central headers, data descriptors, Zip64 extra fields and end records,
// Unicode name fields ("NUCX"), AES extra fields, item and archive comments and a stub in front,
// and it can encrypt entries with the traditional ZIP cipher. The damage helpers below turn a
// finished archive into the broken variants the engine must survive.
//
//     ks::test::ZipWriter w;
//     w.AddFile("a/b.txt", data, {.method = 8, .dataDescriptor = true, .unicodeName = u"ő.txt"});
//     w.SetComment("hello");
//     auto bytes = w.Finish({.zip64 = true});
//
// Names are raw bytes as stored (the caller picks the code page). Entries are appended to one
// buffer as they are added and deflate streams are reused, so archives with 100,000 items are cheap.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "archive/ZipRecords.h"

namespace ks::test {

using Bytes = std::vector<uint8_t>;

Bytes ToBytes(std::string_view Text);
uint32_t Crc32(std::span<const uint8_t> Data);
// Deterministic incompressible bytes (xorshift), the same for the same seed on every host.
Bytes NoiseBytes(size_t Count, uint64_t Seed = 1);
// Raw deflate (no zlib header, window bits -15).
Bytes Deflate(std::span<const uint8_t> Data, int Level = 6);

// What a payload transform learns about the entry whose data it turns into the stored payload.
struct EntryInfo {
    std::string name{};
    uint32_t crc32 = 0;
    uint64_t uncompressedSize = 0;
    uint16_t actualMethod = 0; // the compression that produced the data handed over
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    uint16_t flags = 0; // the flag word as it will be written
};
// Turns the compressed data into the bytes stored for the entry (for example AES: salt, password
// verifier, ciphertext, authentication code). Sizes in the headers follow the result.
using PayloadTransform = std::function<Bytes(const EntryInfo&, std::span<const uint8_t> Compressed)>;

struct AesOptions {
    uint8_t strength = 3; // 1 = AES-128, 2 = AES-192, 3 = AES-256
    uint16_t version = 2; // AE-1 or AE-2 (AE-2 writes CRC 0)
    uint16_t vendorID = 0x4541;
};

struct EntryOptions {
    uint16_t method = ZIP_ZLIB; // 0 stored, 8 deflate; any other value stores the data as given
    int level = 6;
    bool dataDescriptor = false; // flag bit 3, zero CRC/sizes in the local header, descriptor after data
    bool descriptorSignature = true;
    std::optional<TKSString> unicodeName{}; // "NUCX" field
    bool unicodeInLocal = true;
    bool unicodeInCentral = true;
    Bytes extra{};        // appended to the extra fields of both headers
    Bytes localExtra{};   // local header only
    Bytes centralExtra{}; // central header only
    Bytes comment{};      // item comment
    uint16_t flags = 0;   // ORed into the flag word
    uint32_t externalAttr = 0x20;
    uint16_t versionMadeBy = 20;
    uint16_t extractVersion = 0; // 0: 20, 45 with Zip64, 51 with AES
    uint16_t dosTime = 0x6000;   // 12:00:00
    uint16_t dosDate = 0x5A2F;   // 2025-01-15
    bool zip64 = false;          // saturate sizes and offset and carry them in a Zip64 field
    uint16_t internalAttr = 0;
    std::optional<uint16_t> diskNumberStart{};
    // Written values that differ from the truth ("wrong sizes", "wrong CRC"), in both headers.
    std::optional<uint32_t> crc32{};
    std::optional<uint32_t> compSize{};
    std::optional<uint32_t> unCompSize{};
    // Traditional ZIP encryption with this password (12-byte header, flag bit 0).
    std::optional<std::string> password{};
    // AES marker: method 99, AES field, flag bit 0; the payload comes from `transform`.
    std::optional<AesOptions> aes{};
    PayloadTransform transform{};
};

struct FinishOptions {
    bool zip64 = false;            // Zip64 end record + locator (also written when an entry needs it)
    bool saturateEndRecord = true; // with Zip64: counts, size and offset of the end record hold markers
    // With a stub: offsets count from the archive's own start instead of the file's start.
    bool offsetsFromArchiveStart = false;
    uint16_t diskNumber = 0;
    uint16_t startDiskNumber = 0;
    uint32_t totalDisks = 1;
    std::optional<uint16_t> entriesOverride{}; // written into both end-record counts
};

// Where things landed in the finished archive (file offsets, stub included).
struct EntryLayout {
    std::string name{};
    uint64_t localOffset = 0;
    uint64_t dataOffset = 0;
    uint64_t dataSize = 0;
    uint64_t centralOffset = 0;
    uint64_t descriptorOffset = 0; // 0 when there is none
};
struct ArchiveLayout {
    uint64_t stubSize = 0;
    uint64_t centralDirOffset = 0;
    uint64_t centralDirSize = 0;
    uint64_t zip64EndOffset = 0; // 0 when absent
    uint64_t locatorOffset = 0;  // 0 when absent
    uint64_t endOffset = 0;
    std::vector<EntryLayout> entries;
};

class ZipWriter {
public:
    ZipWriter();
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    void SetStub(std::span<const uint8_t> Stub);
    void SetComment(std::span<const uint8_t> Comment);
    void SetComment(std::string_view Comment) { SetComment(ToBytes(Comment)); }

    void AddFile(std::string_view Name, std::span<const uint8_t> Data, const EntryOptions& Options = {});
    void AddFile(std::string_view Name, std::string_view Text, const EntryOptions& Options = {}) {
        AddFile(Name, ToBytes(Text), Options);
    }
    // A directory entry: stored, no data, attribute 0x10; a missing trailing "/" is added.
    void AddDirectory(std::string_view Name, EntryOptions Options = {});

    // The whole archive. The writer can be finished once.
    Bytes Finish(const FinishOptions& Options = {});
    const ArchiveLayout& Layout() const { return FLayout; }

private:
    struct Impl;
    std::unique_ptr<Impl> FImpl;
    ArchiveLayout FLayout;
};

// ---- damage -------------------------------------------------------------------------------------

// Removes the last Count bytes (the tail of the end record or comment).
Bytes CutTail(Bytes Archive, size_t Count);
// Removes everything from the end record on.
Bytes CutEndRecord(Bytes Archive, const ArchiveLayout& Layout);
Bytes AppendTrailing(Bytes Archive, size_t Count, uint8_t Fill = 0);
// Zeroes the central headers (the end record stays).
Bytes ZeroCentralDirectory(Bytes Archive, const ArchiveLayout& Layout);
// Decodes a header of the finished archive, lets Edit change it and writes it back in place.
void PatchCentralHeader(Bytes& Archive, const ArchiveLayout& Layout, size_t Index,
                        const std::function<void(TKSZipCentralDir&)>& Edit);
void PatchLocalHeader(Bytes& Archive, const ArchiveLayout& Layout, size_t Index,
                      const std::function<void(TKSZipFileHeader&)>& Edit);
void PatchEndRecord(Bytes& Archive, const ArchiveLayout& Layout,
                    const std::function<void(TKSZipCentralDirEnd&)>& Edit);
void PatchLE16(Bytes& Archive, size_t Offset, uint16_t Value);
void PatchLE32(Bytes& Archive, size_t Offset, uint32_t Value);
void PatchLE64(Bytes& Archive, size_t Offset, uint64_t Value);

// ---- traditional ZIP cipher ---------------------------------------------------------------------

// Encrypts Data with Password: 12-byte header (11 seeded bytes, then CheckByte) followed by the
// encrypted data. CheckByte is the CRC's high byte, or the DOS time's high byte with a descriptor.
Bytes ZipCryptoEncrypt(std::string_view Password, std::span<const uint8_t> Data, uint8_t CheckByte,
                       uint64_t Seed = 0x5EED);

// ---- files --------------------------------------------------------------------------------------

// A fresh folder, removed with everything in it when the object goes. By default under the
// system's temporary folder; tests that need extended attributes pass a folder in the build tree.
class TempDir {
public:
    TempDir();
    explicit TempDir(const std::filesystem::path& Base);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    TKSString WidePath() const { return FPath.u16string(); }
    // Writes Data to Path()/RelativeName (creating folders) and returns the full path.
    std::filesystem::path Write(std::string_view RelativeName, std::span<const uint8_t> Data) const;

private:
    std::filesystem::path FPath;
};

Bytes ReadFileBytes(const std::filesystem::path& File);
void WriteFileBytes(const std::filesystem::path& File, std::span<const uint8_t> Data);

} // namespace ks::test
