// Decompression and integrity: CRC-32 routines, stored and deflated items of the sizes that cross
// block boundaries, Zip64 sizes, the central-directory clip, unsupported methods, failed checks,
// the output cap and the decoder's end-of-stream, progress, cancellation and short writes.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "archive/KSCRC32.h"
#include "archive/KSConst.h"
#include "archive/KSDirManager.h"
#include "archive/KSExcept.h"
#include "platform/KSStreams.h"
#include "tests/archive/ExtractTestSupport.h"

namespace ks {
namespace {

using test::Bytes;
using test::OpenedArchive;
using test::ZipWriter;

// ---- CRC-32 ---------------------------------------------------------------------------------------

TEST(CRC32, StandardCheckValue) {
    const char* s = "123456789";
    EXPECT_EQ(~CRC32(0xFFFFFFFFu, s, 9), 0xCBF43926u);
    uint32_t c = 0xFFFFFFFFu;
    UpdateCRC32(s, 9, c);
    EXPECT_EQ(~c, 0xCBF43926u);
}

TEST(CRC32, NeitherPresetsNorComplementsAndMatchesTheByteStep) {
    const Bytes data = test::NoiseBytes(100000, 7);
    for (uint32_t start : {0u, 0xFFFFFFFFu, 0x12345678u}) {
        uint32_t bytewise = start;
        for (uint8_t b : data)
            bytewise = UpdCRC(b, bytewise);
        EXPECT_EQ(CRC32(start, data.data(), static_cast<int32_t>(data.size())), bytewise);
        const uint32_t z =
            static_cast<uint32_t>(crc32(~start & 0xFFFFFFFFu, data.data(), static_cast<uInt>(data.size())));
        EXPECT_EQ(CRC32(start, data.data(), static_cast<int32_t>(data.size())), ~z);
    }
}

TEST(CRC32, EmptyOrNullInputReturnsTheRegister) {
    const uint8_t b = 1;
    EXPECT_EQ(CRC32(0xABCDEF01u, nullptr, 10), 0xABCDEF01u);
    EXPECT_EQ(CRC32(0xABCDEF01u, &b, 0), 0xABCDEF01u);
    EXPECT_EQ(CRC32(0xABCDEF01u, &b, -5), 0xABCDEF01u);
    EXPECT_EQ(UpdCRC(0x00, 0x00000000u), CRC32_TABLE[0]);
    EXPECT_EQ(CRC32_TABLE[1], 0x77073096u);
}

TEST(ZlibHeader, ModeOneGivesTheTwoHeaderBytes) {
    const uint16_t h = TKSBaseArchiver::GetZlibStreamHeader(1);
    EXPECT_EQ(h & 0xFF, 0x78);
    EXPECT_EQ(h >> 8, 0x01);
    for (int mode = 0; mode <= 9; ++mode) {
        const uint16_t v = TKSBaseArchiver::GetZlibStreamHeader(mode);
        EXPECT_EQ(((v & 0xFF) * 256 + (v >> 8)) % 31, 0) << mode;
    }
}

// ---- helpers ---------------------------------------------------------------------------------------

Bytes Compressible(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<uint8_t>("kestrel archive "[i % 16] + (i / 4096) % 3);
    return b;
}

// Extracts item 0 into memory; returns whether it raised, with the native code.
struct ItemResult {
    bool Raised = false;
    int32_t Native = 0;
    Bytes Data;
};

ItemResult ExtractToMemory(OpenedArchive& A, int32_t Item = 0) {
    ItemResult r;
    TMemoryStream out;
    try {
        A.Arc->ExtractItem(Item, &out);
    } catch (const EKSException& e) {
        r.Raised = true;
        r.Native = e.NativeError;
    }
    r.Data = out.Bytes();
    return r;
}

// ---- sound items ----------------------------------------------------------------------------------

struct SizeCase {
    const char* Label;
    uint16_t Method;
    size_t Size;
    bool Noise;
};

class SoundItem : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SoundItem, ProducesTheBytesAndPassesItsChecks) {
    const SizeCase& c = GetParam();
    const Bytes data = c.Noise ? test::NoiseBytes(c.Size, c.Size + 3) : Compressible(c.Size);
    ZipWriter w;
    w.AddFile("item.bin", data, {.method = c.Method});
    w.AddFile("next.txt", "after");
    OpenedArchive a(w.Finish());
    const ItemResult r = ExtractToMemory(a);
    ASSERT_FALSE(r.Raised) << r.Native;
    EXPECT_EQ(r.Data.size(), data.size());
    EXPECT_TRUE(r.Data == data);
    const ItemResult next = ExtractToMemory(a, 1);
    EXPECT_EQ(std::string(next.Data.begin(), next.Data.end()), "after");
}

constexpr size_t MiB = 1048576;
INSTANTIATE_TEST_SUITE_P(
    Sizes, SoundItem,
    ::testing::Values(SizeCase{"StoredEmpty", 0, 0, false}, SizeCase{"StoredOneByte", 0, 1, false},
                      SizeCase{"StoredOneChunk", 0, 65535, true},
                      SizeCase{"StoredExactlyOneBlock", 0, MiB, true},
                      SizeCase{"StoredJustOverOneBlock", 0, MiB + 1, true},
                      SizeCase{"StoredSeveralBlocks", 0, 3 * MiB + 17, true},
                      SizeCase{"DeflatedEmpty", 8, 0, false}, SizeCase{"DeflatedOneByte", 8, 1, false},
                      SizeCase{"DeflatedExactlyOneBlockOfInput", 8, MiB - 200, true},
                      SizeCase{"DeflatedJustOverOneBlock", 8, MiB + 1, true},
                      SizeCase{"DeflatedNoiseSeveralBlocks", 8, 5 * MiB + 3, true},
                      SizeCase{"DeflatedManyOutputBuffersPerBlock", 8, 9 * MiB + 5, false}),
    [](const auto& info) { return std::string(info.param.Label); });

TEST(Decompress, DeflatedInputOfExactlyOneBlock) {
    // Incompressible data whose deflate stream is exactly 1 MiB long: the last input block ends
    // precisely at a block boundary.
    Bytes data = test::NoiseBytes(MiB, 11);
    Bytes deflated = test::Deflate(data, 0);
    // Level 0 adds 5 bytes per stored block; trim the input until the stream is exactly 1 MiB.
    while (deflated.size() > MiB) {
        data.resize(data.size() - (deflated.size() - MiB));
        deflated = test::Deflate(data, 0);
    }
    ASSERT_LE(deflated.size(), MiB);
    ZipWriter w;
    w.AddFile("x", data, {.method = 8, .level = 0});
    OpenedArchive a(w.Finish());
    const ItemResult r = ExtractToMemory(a);
    ASSERT_FALSE(r.Raised);
    EXPECT_TRUE(r.Data == data);
}

TEST(Decompress, Zip64SizesAreUsed) {
    const Bytes data = Compressible(200000);
    ZipWriter w;
    w.AddFile("big.bin", data, {.method = 8, .zip64 = true});
    OpenedArchive a(w.Finish({.zip64 = true}));
    const TDirItem& d = *a.Arc->DMHandle->CDir.GetItemPtr(0);
    ASSERT_EQ(d.CentralDir.compSize, KSZip64Marker32);
    ASSERT_EQ(d.CentralDir.unCompSize, KSZip64Marker32);
    const ItemResult r = ExtractToMemory(a);
    ASSERT_FALSE(r.Raised) << r.Native;
    EXPECT_TRUE(r.Data == data);
}

TEST(Decompress, DataNeverRunsIntoTheCentralDirectory) {
    const Bytes data = test::NoiseBytes(5000, 2);
    ZipWriter w;
    w.AddFile("last.bin", data, {.method = 0});
    Bytes zip = w.Finish();
    // The directory claims far more data than lies before it.
    test::PatchCentralHeader(zip, w.Layout(), 0, [](TKSZipCentralDir& h) { h.compSize += 100000; });
    OpenedArchive a(zip);
    const ItemResult r = ExtractToMemory(a);
    ASSERT_FALSE(r.Raised) << r.Native;
    EXPECT_TRUE(r.Data == data);
}

TEST(Decompress, LocalNameAndExtraLengthsLeadToTheData) {
    const Bytes data = Compressible(3000);
    ZipWriter w;
    w.AddFile("a.txt", data, {.method = 8, .localExtra = Bytes{0x99, 0x77, 3, 0, 1, 2, 3}});
    OpenedArchive a(w.Finish());
    const ItemResult r = ExtractToMemory(a);
    ASSERT_FALSE(r.Raised);
    EXPECT_TRUE(r.Data == data);
}

// ---- failures -------------------------------------------------------------------------------------

struct FailureCase {
    const char* Label;
    uint16_t Method; // the method the entry claims
    bool WrongCrc;
    bool WrongSize;
    int32_t Native;
};

class FailingItem : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FailingItem, RaisesItsNativeCode) {
    const FailureCase& c = GetParam();
    const Bytes data = Compressible(4000);
    ZipWriter w;
    test::EntryOptions o{.method = c.Method};
    if (c.Method != 0 && c.Method != 8)
        o.method = c.Method; // stored as given, labelled with the method
    if (c.WrongCrc)
        o.crc32 = test::Crc32(data) ^ 1;
    if (c.WrongSize)
        o.unCompSize = 3999;
    w.AddFile("bad.bin", data, o);
    OpenedArchive a(w.Finish());
    const ItemResult r = ExtractToMemory(a);
    EXPECT_TRUE(r.Raised);
    EXPECT_EQ(r.Native, c.Native);
}

INSTANTIATE_TEST_SUITE_P(Failures, FailingItem,
                         ::testing::Values(FailureCase{"Deflate64", 9, false, false, 55},
                                           FailureCase{"Method12", 12, false, false, 8},
                                           FailureCase{"Method14", 14, false, false, 8},
                                           FailureCase{"StoredWrongCrc", 0, true, false, 8},
                                           FailureCase{"DeflatedWrongCrc", 8, true, false, 8},
                                           FailureCase{"StoredWrongSize", 0, false, true, 8},
                                           FailureCase{"DeflatedWrongSize", 8, false, true, 8}),
                         [](const auto& info) { return std::string(info.param.Label); });

TEST(Decompress, CorruptDeflateDataFails) {
    const Bytes data = Compressible(20000);
    ZipWriter w;
    w.AddFile("x", data, {.method = 8});
    Bytes zip = w.Finish();
    const auto& e = w.Layout().entries[0];
    for (size_t i = 0; i < 16; ++i)
        zip[e.dataOffset + e.dataSize / 2 + i] ^= 0xA5;
    OpenedArchive a(zip);
    const ItemResult r = ExtractToMemory(a);
    EXPECT_TRUE(r.Raised);
    EXPECT_EQ(r.Native, 8);
}

TEST(Decompress, CorruptedItemIsKeptWhenAsked) {
    const Bytes data = Compressible(4000);
    ZipWriter w;
    w.AddFile("x", data, {.method = 8, .crc32 = 0x1234});
    OpenedArchive a(w.Finish());
    a.Arc->SetExtractCorruptedFiles(true);
    const ItemResult r = ExtractToMemory(a);
    EXPECT_FALSE(r.Raised);
    EXPECT_TRUE(r.Data == data);
}

TEST(Decompress, DataAfterTheDeflateStreamEndsTheItem) {
    // Deflate data followed by more bytes inside the item: first its matching zlib check value
    // (the decoder then reports the end of its stream with input left over, and must stop there),
    // then plain trailing bytes. The size and CRC-32 checks decide; both items are sound.
    const Bytes data = test::ToBytes("the decoder ends here");
    const uLong adler = adler32(adler32(0, nullptr, 0), data.data(), static_cast<uInt>(data.size()));
    for (bool matchingCheck : {true, false}) {
        Bytes payload = test::Deflate(data);
        for (int s = 24; s >= 0; s -= 8)
            payload.push_back(matchingCheck ? static_cast<uint8_t>(adler >> s) : 0xEE);
        payload.insert(payload.end(), 5000, 0x5A);
        // The crafted bytes go in as they are (an unknown method stores them raw), then the headers
        // are relabelled as deflate.
        ZipWriter raw;
        raw.AddFile("x", payload, {.method = 99});
        Bytes rawZip = raw.Finish();
        test::PatchLocalHeader(rawZip, raw.Layout(), 0, [&](TKSZipFileHeader& h) { h.compMethod = 8; });
        test::PatchCentralHeader(rawZip, raw.Layout(), 0, [&](TKSZipCentralDir& h) {
            h.compMethod = 8;
            h.crc32 = test::Crc32(data);
            h.unCompSize = static_cast<uint32_t>(data.size());
        });
        OpenedArchive a(rawZip);
        ASSERT_EQ(a.Arc->DMHandle->CDir.GetItemPtr(0)->CompressionMethod, 8);
        const ItemResult r = ExtractToMemory(a);
        EXPECT_FALSE(r.Raised) << r.Native;
        EXPECT_EQ(std::string(r.Data.begin(), r.Data.end()), "the decoder ends here");
    }
}

// A stream that counts what it was given and refuses everything past a limit.
class CountingStream : public TStream {
public:
    explicit CountingStream(int64_t Limit = INT64_MAX) : FLimit(Limit) {}
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void*, int64_t Count) override {
        const int64_t n = std::max<int64_t>(0, std::min(Count, FLimit - FPos));
        FPos += n;
        Total += n;
        Calls++;
        return n;
    }
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override {
        FPos = (Origin == TSeekOrigin::soBeginning ? 0 : FPos) + Offset;
        return FPos;
    }
    void SetSize(int64_t) override {}
    int64_t FLimit;
    int64_t FPos = 0;
    int64_t Total = 0;
    int Calls = 0;
};

TEST(Decompress, OutputNeverGrowsPastTheDeclaredSize) {
    // 256 MiB of zeroes declared as 100 bytes.
    const Bytes zeros(256 * MiB, 0);
    const Bytes deflated = test::Deflate(zeros, 1);
    ZipWriter w;
    w.AddFile("bomb", deflated, {.method = 99});
    Bytes zip = w.Finish();
    test::PatchLocalHeader(zip, w.Layout(), 0, [](TKSZipFileHeader& h) { h.compMethod = 8; });
    test::PatchCentralHeader(zip, w.Layout(), 0, [&](TKSZipCentralDir& h) {
        h.compMethod = 8;
        h.unCompSize = 100;
        h.crc32 = test::Crc32(std::span<const uint8_t>(zeros.data(), 100));
    });
    for (bool keepCorrupted : {false, true}) {
        OpenedArchive a(zip);
        a.Arc->SetExtractCorruptedFiles(keepCorrupted);
        CountingStream out;
        bool raised = false;
        int32_t native = 0;
        try {
            a.Arc->ExtractItem(0, &out);
        } catch (const EKSException& e) {
            raised = true;
            native = e.NativeError;
        }
        EXPECT_EQ(raised, !keepCorrupted);
        if (raised) {
            EXPECT_EQ(native, 8);
        }
        EXPECT_LE(out.Total, 100);
    }
}

TEST(Decompress, StoredDataLongerThanDeclaredIsCapped) {
    const Bytes data = test::NoiseBytes(200000, 5);
    ZipWriter w;
    w.AddFile("x", data, {.method = 0, .unCompSize = 1000});
    OpenedArchive a(w.Finish());
    CountingStream out;
    EXPECT_THROW(a.Arc->ExtractItem(0, &out), EKSException);
    EXPECT_EQ(out.Total, 1000);
}

// ---- progress, cancellation, short writes -------------------------------------------------------

TEST(Decompress, ProgressIsReportedPerStoredChunkDuringARun) {
    const Bytes data = test::NoiseBytes(200000, 9); // 4 chunks of at most 65535 bytes
    ZipWriter w;
    w.AddFile("dir/s.bin", data, {.method = 0});
    OpenedArchive a(w.Finish());
    std::vector<double> steps;
    std::vector<TKSString> names;
    a.Arc->FOnFileProgress = [&](TComponent*, const TKSString& n, double p, TKSProcessOperation op,
                                 TKSProgressPhase ph, bool&) {
        if (ph == ppProcess) {
            steps.push_back(p);
            names.push_back(n);
            EXPECT_EQ(op, poTest);
        }
    };
    a.Arc->TestFiles(u"*.*", 10431, u"");
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_NEAR(steps.back(), 100.0, 1e-9);
    EXPECT_NEAR(steps.front(), 65535.0 / 200000 * 100, 1e-9);
    EXPECT_EQ(names.front(), u"dir\\s.bin");
}

TEST(Decompress, NoProgressOutsideARun) {
    ZipWriter w;
    w.AddFile("a", Compressible(100000), {.method = 8});
    OpenedArchive a(w.Finish());
    int events = 0;
    a.Arc->FOnFileProgress = [&](TComponent*, const TKSString&, double, TKSProcessOperation, TKSProgressPhase,
                                 bool&) { ++events; };
    ExtractToMemory(a);
    EXPECT_EQ(events, 0);
}

TEST(Decompress, CancelDuringAnItemStopsWithoutAnError) {
    const Bytes data = test::NoiseBytes(3 * MiB, 4);
    ZipWriter w;
    w.AddFile("a", data, {.method = 8});
    w.AddFile("b", "second");
    OpenedArchive a(w.Finish());
    int processEvents = 0;
    a.Arc->FOnFileProgress = [&](TComponent*, const TKSString&, double, TKSProcessOperation,
                                 TKSProgressPhase ph, bool& cancel) {
        if (ph == ppProcess && ++processEvents == 2)
            cancel = true;
    };
    a.Arc->ExtractFiles(u"*.*", 10431, u"");
    EXPECT_TRUE(a.Arc->FProgressCancel);
    EXPECT_EQ(processEvents, 2);
    EXPECT_FALSE(std::filesystem::exists(a.OutFile("a")));
    EXPECT_FALSE(std::filesystem::exists(a.OutFile("b")));
}

TEST(Decompress, ShortWriteRaisesDiskFullAndRetries) {
    const Bytes data = test::NoiseBytes(300000, 6);
    ZipWriter w;
    w.AddFile("a", data, {.method = 0});
    OpenedArchive a(w.Finish());
    CountingStream out(100000);
    int asked = 0;
    a.Arc->FOnDiskFull = [&](TComponent*, int32_t vol, const TKSString& name, bool& cancel) {
        ++asked;
        EXPECT_EQ(vol, 0);
        EXPECT_EQ(name, a.ArchivePath().u16string());
        EXPECT_FALSE(cancel);
        out.FLimit = INT64_MAX; // space was freed
    };
    a.Arc->ExtractItem(0, &out);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(out.FPos, 300000);
}

TEST(Decompress, ShortWriteWithoutHandlerCancels) {
    const Bytes data = test::NoiseBytes(300000, 6);
    ZipWriter w;
    w.AddFile("a", data, {.method = 8});
    OpenedArchive a(w.Finish());
    CountingStream out(100000);
    EXPECT_NO_THROW(a.Arc->ExtractItem(0, &out));
    EXPECT_TRUE(a.Arc->FProgressCancel);
}

} // namespace
} // namespace ks
