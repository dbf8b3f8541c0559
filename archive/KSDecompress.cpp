// KSDecompress.cpp -- turns one item's stored data into its plain bytes and judges the result.
//
// InternalDecompressFile re-reads the local header, takes the sizes and the CRC-32 from the
// directory item, runs the password loop for encrypted items, reads the data in 1 MiB blocks,
// inflates deflated data through one zlib stream per item (the raw deflate data is given the two
// bytes of a zlib header in front of its first block) or copies stored data in 64 KiB chunks,
// reports progress, and finally compares the produced size and the CRC-32 (or the authentication
// code).
//
// Guarantees beyond the plain loop:
//  - Output never grows past the item's declared uncompressed size. Decompression stops there;
//    reaching that size while the decoder still has data fails the item. A small item claiming a
//    huge expansion therefore writes at most its declared size.
//  - Decoding ends when the decoder reports the end of its stream, even if input is left over.
//    The zlib check value is not computed (the CRC-32 is the item's check), so bytes after the
//    deflate data never make a sound item fail, and never make the decoder loop.
//  - Output the decoder still holds when a block's input is used up is drained before the next
//    block and before the size check.
//  - Reading stops as soon as the run is cancelled.
#include "archive/KSDecompress.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "archive/KSBaseArchiver.h"
#include "archive/KSCRC32.h"
#include "archive/KSConst.h"
#include "archive/KSDirArray.h"
#include "archive/KSDirManager.h"
#include "archive/KSExcept.h"
#include "archive/KSInflateStep.h"
#include "archive/KSVolumeNumberInfo.h"
#include "archive/ZipRecords.h"
#include "platform/KSStreams.h"

namespace ks {

namespace {

// Items at or above this version needed to extract belong to a non-ZIP item format: no AES
// handling and no integrity check.
constexpr uint16_t KSVersion = KSAesExtractVersionLimit;

// An item's stored bytes read in order through the reader's volume-aware read, so an encryption
// header or authentication code that a volume boundary cuts, or that starts the next volume, is
// read whole. Only reading forward is possible; the bytes read can be kept, so that a password
// retry reads the same header again.
class TKSItemBytes final : public TStream {
public:
    using TReadOn = std::function<int64_t(uint8_t*, int64_t)>;
    TKSItemBytes(TReadOn ReadOn, bool Keep) : FReadOn(std::move(ReadOn)), FKeep(Keep) {}

    int64_t Read(void* Buffer, int64_t Count) override {
        if (Count <= 0)
            return 0;
        const int64_t n = FReadOn(static_cast<uint8_t*>(Buffer), Count);
        if (FKeep && n > 0)
            FKept.insert(FKept.end(), static_cast<uint8_t*>(Buffer), static_cast<uint8_t*>(Buffer) + n);
        FRead += n;
        return n;
    }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override {
        if (Offset != 0 || Origin != TSeekOrigin::soCurrent)
            throw EStreamError("Stream seek error");
        return FRead;
    }
    int64_t Size() override { return FRead; }
    void SetSize(int64_t) override { throw EStreamError("Stream size error"); }
    const std::vector<uint8_t>& Kept() const { return FKept; }

private:
    TReadOn FReadOn;
    bool FKeep;
    int64_t FRead = 0;
    std::vector<uint8_t> FKept;
};

// One call of InternalDecompressFile: the state its nested steps share.
class TKSItemReader {
public:
    TKSItemReader(TKSBaseArchiver& Arc, TStream* rfs, TStream* wfs, TDirItem* d)
        : FArc(Arc), FIn(rfs), FOut(wfs), FItem(*d) {}
    ~TKSItemReader() {
        if (FStrmInit)
            inflateEnd(&FStrm);
    }
    TKSItemReader(const TKSItemReader&) = delete;
    TKSItemReader& operator=(const TKSItemReader&) = delete;

    bool Run();

private:
    bool ZIPDecompress();
    bool ReadFromStream(uint8_t* Buffer, int64_t Count);
    // Reads up to Count bytes, going on into the following volumes; returns the number read.
    int64_t ReadOn(uint8_t* Buffer, int64_t Count);
    TKSItemBytes ItemBytes(bool Keep) {
        return TKSItemBytes([this](uint8_t* B, int64_t N) { return ReadOn(B, N); }, Keep);
    }
    bool DecompressZLIBBuffer();
    bool DecompressStoredBlock(uint8_t* Data);
    bool DecompressDeflateBlock(uint8_t* Data);
    // Raises the progress events (when enabled); true when the run is cancelled afterwards.
    bool ProgressStep();
    bool Cancelled() const { return FArc.FProgressCancel; }

    TKSBaseArchiver& FArc;
    TStream* FIn; // the archive stream where reading stands (changes with the volume)
    TStream* FOut;
    TDirItem& FItem;

    TKSZipFileHeader LFHeader{};
    TKSVolumeNumberInfo FVolume;
    std::unique_ptr<TKSEntryDecrypter> FDecrypter;
    bool FEncrypted = false;
    bool FUsesAes = false;

    int64_t CompSize = 0;   // bytes of item data to read in total
    int64_t UncompSize = 0; // the uncompressed size by the compressed-size rule (progress)
    int64_t FExpected = 0;  // the size of the final check; output never grows past it
    int64_t Count = 0;      // bytes of item data read so far
    int64_t decompSize = 0; // plain bytes produced so far
    int64_t size = 0;       // length of the current input block
    int64_t cSize = 0;      // plain bytes produced from the current block
    uint32_t fcrc32 = 0xFFFFFFFFu;
    int32_t FBlockSize = DefaultMaxBlockSize;

    // Input block with two spare bytes in front for the zlib header of the first block.
    std::vector<uint8_t> buf1;
    std::vector<uint8_t> buf; // output of the current deflate block
    z_stream FStrm{};
    bool FStrmInit = false;
    bool FStreamEnded = false; // the decoder reported the end of its stream
    bool FOverflow = false;    // the data goes on past the declared size
};

bool TKSItemReader::Run() {
    bool result = false;
    const TKSZipCentralDir& cd = FItem.CentralDir;
    FEncrypted = (cd.genPurposeFlag & KSFlagEncrypted) != 0;
    FUsesAes = cd.extractVersion < KSVersion && FItem.KSEncryptionAlgorithm != caPkzipClassic;

    // The volume where the item's data starts, and the last volume of the set.
    const bool zip64 = FArc.DMHandle && FArc.DMHandle->FZip64;
    int32_t vol = cd.diskNumberStart;
    if (cd.diskNumberStart == KSZip64Marker16)
        vol = zip64 ? static_cast<int32_t>(FItem.Zip64ExtInfo.diskNumberStart) : 0;
    int32_t lastVol = 0;
    if (FArc.DMHandle) {
        lastVol = FArc.DMHandle->CentralDirEnd.diskNumber;
        if (FArc.DMHandle->CentralDirEnd.diskNumber == KSZip64Marker16)
            lastVol =
                zip64 ? static_cast<int32_t>(FArc.DMHandle->Zip64CentralDirEndLocator.totalNumberOfDisks) - 1
                      : 0;
    }
    FVolume.SetLastVolumeNumber(lastVol);
    FVolume.SetVolumeNumber(vol);

    // The local header; the data follows its own name and extra field.
    ReadRecord(*FIn, LFHeader);
    const int64_t dataStart =
        FIn->Seek(static_cast<int64_t>(LFHeader.nameLength) + LFHeader.extraLength, TSeekOrigin::soCurrent);

    if (cd.compSize == KSZip64Marker32) {
        CompSize = static_cast<int64_t>(std::min<uint64_t>(FItem.Zip64ExtInfo.compSize, INT64_MAX));
        UncompSize = static_cast<int64_t>(std::min<uint64_t>(FItem.Zip64ExtInfo.uncompSize, INT64_MAX));
    } else {
        CompSize = cd.compSize;
        UncompSize = cd.unCompSize;
    }
    FExpected = cd.unCompSize == KSZip64Marker32
                    ? static_cast<int64_t>(std::min<uint64_t>(FItem.Zip64ExtInfo.uncompSize, INT64_MAX))
                    : static_cast<int64_t>(cd.unCompSize);

    // Item data never runs into the central directory of a single-file archive.
    if (FArc.FSpanningMode == smNone && FArc.DMHandle) {
        const int64_t pos = dataStart;
        const int64_t dirOffset = FArc.DMHandle->CentralDirOffset;
        if (pos + CompSize > dirOffset)
            CompSize = std::max<int64_t>(0, dirOffset - pos);
    }

    FArc.FProgressMax = UncompSize == 0 ? 2 : UncompSize;
    FArc.FProgress = 0;
    FArc.FSkipFile = false;

    if (FEncrypted || FUsesAes) {
        FDecrypter = KSCreateEntryDecrypter(FArc, FItem, LFHeader);
        if (!FDecrypter)
            return false;
    }

    switch (FItem.CompressionMethod) {
    case ZIP_None:
    case ZIP_ZLIB:
        result = ZIPDecompress();
        break;
    case ZIP_Deflate64:
        throw EKSException(KSNE_Deflate64, nullptr);
    default:
        result = false;
        break;
    }

    if (decompSize != FExpected || FOverflow)
        result = false;
    if (!result)
        return false;

    if (cd.extractVersion < KSVersion) {
        const uint32_t finalCrc = ~fcrc32;
        if (FDecrypter && FDecrypter->HasAuthenticationCode()) {
            TKSItemBytes code = ItemBytes(false);
            result = FDecrypter->IsSound(code, finalCrc);
        } else
            result = finalCrc == cd.crc32;
    }
    return result;
}

bool TKSItemReader::ZIPDecompress() {
    FBlockSize = DefaultMaxBlockSize;
    FArc.FSkipFile = false;

    if (FEncrypted && FDecrypter) {
        CompSize -= FDecrypter->Overhead();
        // The header is read once where the item's bytes stand; each retry reads it again from
        // memory, so the data that follows is read from where the header ended.
        TKSItemBytes header = ItemBytes(true);
        TMemoryStream again;
        TStream* from = &header;
        for (;;) {
            const bool ok = FDecrypter->CheckPassword(*from, FArc.FPassword);
            if (ok || FArc.FSuppressPasswordEvent)
                break;
            const AnsiString before = FArc.FPassword;
            FArc.DoOnPassword(FItem.Name, FArc.FPassword, FArc.FSkipFile);
            if (FArc.FSkipFile)
                return false;
            if (FArc.FPassword != before)
                FDecrypter->PasswordChanged(FArc.FPassword);
            if (from == &header) {
                again.WriteBuffer(header.Kept().data(), static_cast<int64_t>(header.Kept().size()));
                from = &again;
            }
            again.SetPosition(0);
        }
    }

    // Buffers no larger than the item needs: a small item does not pay for 2 MiB of zeroes.
    const int64_t inLen = std::clamp<int64_t>(CompSize, 0, FBlockSize);
    buf1.assign(static_cast<size_t>(inLen) + 2, 0);
    if (FItem.CompressionMethod == ZIP_ZLIB) {
        const int64_t outLen = std::clamp<int64_t>(FExpected, 1, FBlockSize);
        buf.assign(static_cast<size_t>(outLen), 0);
        FStrm = z_stream{};
        if (inflateInit_(&FStrm, ZLIB_VERSION, static_cast<int>(sizeof(z_stream))) != Z_OK)
            return false;
        FStrmInit = true;
        // The item's own CRC-32 is its check: the zlib wrapper's Adler-32, whose bytes the item
        // does not carry, is neither computed nor compared. Data after the end of the deflate
        // stream therefore ends the item, and the size and CRC-32 checks decide.
        inflateValidate(&FStrm, 0);
    }

    while (Count < CompSize && !FStreamEnded && !FOverflow && !Cancelled()) {
        size = std::min<int64_t>(FBlockSize, CompSize - Count);
        if (!ReadFromStream(buf1.data() + 2, size))
            return false;
        if (!DecompressZLIBBuffer())
            return false;
        decompSize += cSize;
        Count += size;
    }
    return true;
}

bool TKSItemReader::ReadFromStream(uint8_t* Buffer, int64_t Want) {
    return ReadOn(Buffer, Want) == Want;
}

int64_t TKSItemReader::ReadOn(uint8_t* Buffer, int64_t Want) {
    int64_t got = FIn->Read(Buffer, Want);
    // Data continued on the following volumes of a split or spanned set. Nothing follows the
    // last volume; and when no volume was opened (a handler named none), the data ends here
    // rather than being taken from the start of the volume just read.
    while (got < Want && FArc.FSpanningMode != smNone) {
        if (FVolume.LastVolumeNumber() >= 0 && FVolume.VolumeNumber() >= FVolume.LastVolumeNumber())
            break;
        FVolume.SetVolumeNumber(FVolume.VolumeNumber() + 1);
        FArc.OpenVolume(FVolume);
        FIn = FArc.FCompressedStream;
        if (!FIn || FArc.FVolumeNumberInfo->VolumeNumber() != FVolume.VolumeNumber())
            break;
        FIn->SetPosition(0);
        got += FIn->Read(Buffer + got, Want - got);
        if (FIn->Position() == 0)
            break;
    }
    return got;
}

bool TKSItemReader::DecompressZLIBBuffer() {
    if (size <= 0)
        return false;
    uint8_t* data = buf1.data() + 2;
    if (FEncrypted && FDecrypter)
        FDecrypter->DecryptBuffer(data, size);
    if (FItem.CompressionMethod == ZIP_None)
        return DecompressStoredBlock(data);
    return DecompressDeflateBlock(data);
}

bool TKSItemReader::DecompressStoredBlock(uint8_t* Data) {
    cSize = 0;
    for (int64_t done = 0; done < size;) {
        int64_t n = std::min<int64_t>(KSStoredChunkSize, size - done);
        if (decompSize + cSize + n > FExpected) {
            n = std::max<int64_t>(0, FExpected - decompSize - cSize);
            FOverflow = true;
        }
        fcrc32 = CRC32Bulk(fcrc32, Data + done, static_cast<size_t>(n));
        cSize += n;
        done += n;
        FArc.FProgress = Count + done;
        if (ProgressStep())
            return true;
        if (n > 0 && !FArc.WriteToStreamWithOnDiskFull(FOut, Data + done - n, n))
            return true;
        if (FOverflow)
            return true;
    }
    return true;
}

bool TKSItemReader::DecompressDeflateBlock(uint8_t* Data) {
    FStrm.next_in = Data;
    FStrm.avail_in = static_cast<uInt>(size);
    if (Count == 0 && size > 0) {
        // The raw deflate data reaches the decoder as a zlib stream.
        const uint16_t hdr = TKSBaseArchiver::GetZlibStreamHeader(1);
        Data[-2] = static_cast<uint8_t>(hdr & 0xFF);
        Data[-1] = static_cast<uint8_t>(hdr >> 8);
        FStrm.next_in = Data - 2;
        FStrm.avail_in = static_cast<uInt>(size + 2);
    }
    // Output is counted per inflate call in 64 bits (cSize), never from zlib's own totals,
    // which are 32-bit on Windows and would wrap for items over 4 GiB.
    cSize = 0;
    for (;;) {
        const int64_t produced = decompSize + cSize;
        const int64_t room = std::min<int64_t>(static_cast<int64_t>(buf.size()), FExpected - produced);
        if (room <= 0) {
            // At the declared size: any further output means the data goes on past it.
            uint8_t probe = 0;
            const int r = KSInflateStep(FStrm, &probe, 1, cSize);
            if (FStrm.avail_out == 0) {
                FOverflow = true;
                break;
            }
            if (r == Z_STREAM_END) {
                FStreamEnded = true;
                break;
            }
            if (r == Z_BUF_ERROR || FStrm.avail_in == 0)
                break;
            if (r < 0)
                return false;
            continue;
        }
        FArc.FProgress = produced;
        if (ProgressStep())
            break;
        const int64_t before = cSize;
        const int r = KSInflateStep(FStrm, buf.data(), static_cast<uint32_t>(room), cSize);
        if (r < 0 && r != Z_BUF_ERROR)
            return false;
        const int64_t n = cSize - before;
        if (n > 0) {
            if (!FArc.WriteToStreamWithOnDiskFull(FOut, buf.data(), n))
                break;
            fcrc32 = CRC32Bulk(fcrc32, buf.data(), static_cast<size_t>(n));
        }
        if (r == Z_STREAM_END) {
            FStreamEnded = true;
            break;
        }
        // No progress possible, or all input used while the decoder still had room: it holds
        // nothing more until the next block.
        if (r == Z_BUF_ERROR || (FStrm.avail_in == 0 && FStrm.avail_out > 0))
            break;
    }
    return true;
}

bool TKSItemReader::ProgressStep() {
    if (FArc.FProgressEnabled) {
        const double max = static_cast<double>(FArc.FProgressMax > 0 ? FArc.FProgressMax : 2);
        const double part = static_cast<double>(FArc.FProgress) / max;
        FArc.DoOnFileProgress(FItem.Name, part * 100.0, FItem.Operation, ppProcess, FArc.FProgressCancel);
        if (!FArc.FProgressCancel) {
            const double count = FArc.FProcessedFileCount > 0 ? FArc.FProcessedFileCount : 1;
            FArc.DoOnOverallProgress((part + FArc.FProcessedFileNo) / count * 100.0, FItem.Operation,
                                     ppProcess, FArc.FProgressCancel);
        }
    }
    return FArc.FProgressCancel;
}

} // namespace

uint16_t TKSBaseArchiver::GetZlibStreamHeader(int32_t CompMode) {
    // Deflate with a 32 KiB window; the level hint as the zlib encoder sets it for that level.
    const uint32_t cmf = 0x78;
    uint32_t level = 0;
    if (CompMode >= 2 && CompMode <= 5)
        level = 1;
    else if (CompMode == 6)
        level = 2;
    else if (CompMode >= 7)
        level = 3;
    uint32_t flg = level << 6;
    flg += 31 - ((cmf << 8) + flg) % 31;
    return static_cast<uint16_t>(cmf | (flg << 8));
}

bool TKSBaseArchiver::InternalDecompressFile(TStream* rfs, TStream* wfs, TDirItem* d) {
    TKSItemReader reader(*this, rfs, wfs, d);
    return reader.Run();
}

bool TKSBaseArchiver::WriteToStreamWithOnDiskFull(TStream* Stream, const void* Buffer, int64_t Count) {
    for (;;) {
        int64_t written = 0;
        try {
            written = Stream->Write(Buffer, Count);
        } catch (const EStreamError&) {
            written = 0;
        }
        if (written == Count)
            return true;
        bool abort = true;
        try {
            DoOnDiskFull(-1, FFileName, abort);
        } catch (...) {
            // A failing handler counts as no answer.
        }
        if (abort) {
            FProgressCancel = true;
            return false;
        }
        // Back to where this write began (the stream advanced by what it took).
        if (written > 0)
            Stream->Seek(-written, TSeekOrigin::soCurrent);
    }
}

} // namespace ks
