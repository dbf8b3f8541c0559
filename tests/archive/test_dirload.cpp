// Directory loading: the end-record search, Zip64 records, item names and extra fields, stub
// detection and offset correction, the plausibility check and the end record of an empty archive.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/archive/DirTestUtil.h"

namespace ks {
namespace {

using namespace dirtest;
using test::ZipWriter;

Bytes TwoFiles(ZipWriter& W) {
    W.AddFile("a.txt", "hello");
    W.AddFile("dir/b.txt", std::string(3000, 'b'));
    return W.Finish();
}

// ---- end record --------------------------------------------------------------------------------

TEST(DirLoad, EmptyEndRecordOnlyIsAnEmptyArchive) {
    ZipWriter W;
    const Bytes A = W.Finish();
    ASSERT_EQ(A.size(), 22u);
    auto L = Load(A);
    EXPECT_EQ(L->Count(), 0);
    EXPECT_EQ(L->DM->StubSize, 0);
    EXPECT_EQ(L->DM->CentralDirEnd.signature, ZipCentralDirEndSignature);
}

TEST(DirLoad, LongCommentAndSignatureInsideTheComment) {
    struct Case {
        const char* What;
        std::string Comment;
    };
    // The second comment holds a complete end record whose comment length does not fit.
    std::string Fake = "PK\x05\x06";
    Fake += std::string(16, '\0') + std::string("\x02\x00", 2) + "xx";
    const Case Cases[] = {{"3000 bytes", std::string(3000, 'c')},
                          {"signature inside", "before " + Fake + " after"},
                          {"65535 bytes", std::string(65535, 'z')}};
    for (const Case& C : Cases) {
        ZipWriter W;
        W.AddFile("a.txt", "hello");
        W.SetComment(C.Comment);
        auto L = Load(W.Finish());
        ASSERT_EQ(L->Count(), 1) << C.What;
        EXPECT_EQ(L->Name(0), u"a.txt") << C.What;
        EXPECT_EQ(L->DM->ArchiveComment, C.Comment) << C.What;
        EXPECT_EQ(L->DM->CentralDirOffset, static_cast<int64_t>(W.Layout().centralDirOffset)) << C.What;
    }
}

TEST(DirLoad, TrailingBytesHideTheEndRecord) {
    ZipWriter W;
    Bytes A = test::AppendTrailing(TwoFiles(W), 10, 0xAA);
    {
        // With OpenCorruptedArchives the directory is rebuilt from the local headers.
        auto L = Prepare(A);
        EXPECT_TRUE(L->DM->HasCentralDirEnd());
        L->DM->LoadDir();
        ASSERT_EQ(L->Count(), 2);
        EXPECT_EQ(L->Name(0), u"a.txt");
        EXPECT_EQ(L->Name(1), u"dir/b.txt");
        EXPECT_EQ(L->DM->CentralDirOffset, static_cast<int64_t>(A.size()));
        EXPECT_EQ(L->Item(1).CentralDir.unCompSize, 3000u);
    }
    {
        auto L = Prepare(A, {.OpenCorrupted = false});
        EXPECT_FALSE(L->DM->HasCentralDirEnd());
        EXPECT_EQ(L->DM->CentralDirEnd.signature, 0u); // "no record was read"
    }
}

TEST(DirLoad, StreamsShorterThanAnEndRecord) {
    for (size_t Size : {0, 1, 21}) {
        Bytes A(Size, 0);
        auto L = Prepare(A, {.OpenCorrupted = false});
        EXPECT_FALSE(L->DM->HasCentralDirEnd()) << Size;
        // Loading rebuilds, and there is no local header to rebuild from.
        EXPECT_EQ(NativeOf([&] { L->DM->LoadDir(); }), 35) << Size;
    }
}

// ---- Zip64 -------------------------------------------------------------------------------------

TEST(DirLoad, Zip64EndRecordsAndItemFields) {
    ZipWriter W;
    W.AddFile("big.bin", std::string(100, 'x'), {.method = 0, .zip64 = true});
    W.AddFile("small.txt", "s");
    const Bytes A = W.Finish({.zip64 = true});
    auto L = Load(A);
    EXPECT_TRUE(L->DM->FZip64);
    ASSERT_EQ(L->Count(), 2);
    const TDirItem& Big = L->Item(0);
    EXPECT_TRUE(Big.bHugeFile);
    EXPECT_EQ(Big.CentralDir.compSize, KSZip64Marker32);
    EXPECT_EQ(Big.EffCompSize(), 100u);
    EXPECT_EQ(Big.EffUnCompSize(), 100u);
    EXPECT_EQ(Big.EffRelOffsetLH(), 0u);
    EXPECT_EQ(L->Item(1).EffRelOffsetLH(), LocalHeaderOf(A, "small.txt"));
    EXPECT_EQ(L->DM->Zip64CentralDirEnd.entriesCentralDir, 2u);
    EXPECT_EQ(L->DM->CentralDirOffset, static_cast<int64_t>(W.Layout().centralDirOffset));
}

TEST(DirLoad, Zip64FieldTakesOnlyTheValuesItHolds) {
    struct Case {
        const char* What;
        bool SatUncomp, SatComp, SatOffset;
        Bytes Data;
        uint64_t Uncomp, Comp, Offset;
    };
    const Case Cases[] = {
        {"16 bytes for both sizes", true, true, false, Concat(LE64(1000), LE64(900)), 1000, 900, 0},
        {"compressed size alone", false, true, false, LE64(777), 0, 777, 0},
        {"field too short for the second value", true, true, false, Concat(LE64(5), Bytes{1, 2, 3}), 5, 0, 0},
        {"offset after one size", false, true, true, Concat(LE64(42), LE64(0)), 0, 42, 0},
        {"empty field", true, false, false, Bytes{}, 0, 0, 0},
    };
    for (const Case& C : Cases) {
        ZipWriter W;
        W.AddFile("a.txt", "abc", {.method = 0});
        Bytes A = W.Finish();
        // Saturate the chosen fields and put the Zip64 field into the central header's extra area
        // by rewriting the header in a fresh archive.
        ZipWriter W2;
        test::EntryOptions O{.method = 0, .centralExtra = Field(Zip64ExtraFieldHeaderID, C.Data)};
        if (C.SatUncomp)
            O.unCompSize = KSZip64Marker32;
        if (C.SatComp)
            O.compSize = KSZip64Marker32;
        W2.AddFile("a.txt", "abc", O);
        A = W2.Finish();
        if (C.SatOffset)
            test::PatchCentralHeader(A, W2.Layout(), 0,
                                     [](TKSZipCentralDir& H) { H.relOffsetLH = KSZip64Marker32; });
        auto L = Load(A);
        ASSERT_EQ(L->Count(), 1) << C.What;
        const TDirItem& I = L->Item(0);
        EXPECT_TRUE(I.bHugeFile) << C.What;
        EXPECT_EQ(I.Zip64ExtInfo.uncompSize, C.Uncomp) << C.What;
        EXPECT_EQ(I.Zip64ExtInfo.compSize, C.Comp) << C.What;
        EXPECT_EQ(I.Zip64ExtInfo.relOffsetLH, C.Offset) << C.What;
        ASSERT_EQ(I.ExtraFields.size(), 1u) << C.What;
        EXPECT_EQ(I.ExtraFields[0].pData, C.Data) << C.What;
    }
}

TEST(DirLoad, WrongZip64LocatorRaises40EvenWhenRecovering) {
    ZipWriter W;
    W.AddFile("a.txt", "hello");
    Bytes A = W.Finish({.zip64 = true});
    const auto& Lay = W.Layout();
    // The locator points into the item data, and the bytes before the locator are no Zip64 end
    // record either.
    test::PatchLE64(A, Lay.locatorOffset + 8, 5);
    test::PatchLE32(A, Lay.zip64EndOffset, 0x11111111);
    for (bool Recover : {true, false}) {
        auto L = Prepare(A, {.OpenCorrupted = Recover});
        EXPECT_EQ(NativeOf([&] { L->DM->LoadDir(); }), 40) << Recover;
    }
    // A locator offset beyond the stream is the same case, not a read error.
    test::PatchLE64(A, Lay.locatorOffset + 8, 0xFFFFFFFFFFFF0000ull);
    auto L = Prepare(A);
    EXPECT_EQ(NativeOf([&] { L->DM->LoadDir(); }), 40);
}

TEST(DirLoad, Zip64EndRecordNotAtItsOffsetIsFoundBeforeTheLocator) {
    ZipWriter W;
    W.AddFile("a.txt", "hello");
    Bytes A = W.Finish({.zip64 = true});
    test::PatchLE64(A, W.Layout().locatorOffset + 8, 3); // wrong, but the record is right before it
    auto L = Load(A);
    ASSERT_EQ(L->Count(), 1);
    EXPECT_EQ(L->Name(0), u"a.txt");
}

TEST(DirLoad, SaturatedCountWithoutZip64IsRebuilt) {
    ZipWriter W;
    W.AddFile("a.txt", "hello");
    W.AddFile("b.txt", "world");
    Bytes A = W.Finish({.entriesOverride = 0xFFFF});
    auto L = Load(A);
    ASSERT_EQ(L->Count(), 2);
    EXPECT_EQ(L->Name(1), u"b.txt");
    EXPECT_EQ(L->DM->CentralDirOffset, static_cast<int64_t>(A.size())); // rebuilt
}

// ---- names -------------------------------------------------------------------------------------

Bytes UnicodePath(const Bytes& HeaderName, const std::string& Utf8, int Version = 1, uint32_t CrcDelta = 0) {
    Bytes Data{static_cast<uint8_t>(Version)};
    Data = Concat(Data, LE32(test::Crc32(HeaderName) + CrcDelta));
    Data.insert(Data.end(), Utf8.begin(), Utf8.end());
    return Field(0x7075, Data);
}

Bytes NucxField(const TKSString& Name, uint32_t Signature = UnicodeAdditionalSignature,
                uint32_t Count = UINT32_MAX) {
    Bytes Data =
        Concat(LE32(Signature), LE32(Count == UINT32_MAX ? static_cast<uint32_t>(Name.size()) : Count));
    for (TKSChar c : Name) {
        Data.push_back(static_cast<uint8_t>(c));
        Data.push_back(static_cast<uint8_t>(c >> 8));
    }
    return Field(UnicodeExtraFieldHeaderID, Data);
}

TEST(DirLoad, NameSourcesInOrderOfPrecedence) {
    CodePageGuard Pages(852, 1250);
    const std::string Odd = "\x8B.txt";        // CP852: o with double acute
    const std::string Utf8 = "\xC5\x91.txt";   // UTF-8 of the same name
    const std::string Latin = "\xF5.txt";      // CP1250 of the same name
    const TKSString Want = U8("\xC5\x91.txt"); // ő.txt
    struct Case {
        const char* What;
        std::string Header;
        uint16_t Flags;
        Bytes Extra;
        bool Oem;
        TKSString Expected;
    };
    const Bytes OddBytes(Odd.begin(), Odd.end());
    AnsiString Converted = Utf8;
    KSOemToAnsiBuff(Converted);
    const TKSString Utf8ViaPages = KSAnsiToWide(Converted);
    ASSERT_NE(Utf8ViaPages, Want);
    const Bytes Utf8Bytes(Utf8.begin(), Utf8.end());
    const Case Cases[] = {
        {"OEM code page", Odd, 0, {}, true, Want},
        {"ANSI code page", Latin, 0, {}, false, Want},
        {"bit 11 UTF-8", Utf8, KSFlagUtf8Names, {}, true, Want},
        {"bit 11 with invalid UTF-8 falls back", Odd, KSFlagUtf8Names, {}, true, Want},
        {"UTF-8 without bit 11 goes through the code page", Utf8, 0, {}, true, Utf8ViaPages},
        {"0x7075 with matching CRC", Odd, 0, UnicodePath(OddBytes, "\xC5\x91-path.txt"), true,
         U8("\xC5\x91-path.txt")},
        {"0x7075 beats bit 11", Utf8, KSFlagUtf8Names, UnicodePath(Utf8Bytes, "p.txt"), true, u"p.txt"},
        {"0x7075 with stale CRC", Odd, 0, UnicodePath(OddBytes, "stale.txt", 1, 1), true, Want},
        {"0x7075 of another version", Odd, 0, UnicodePath(OddBytes, "v2.txt", 2), true, Want},
        {"NUCX beats everything", Utf8, KSFlagUtf8Names,
         Concat(UnicodePath(Utf8Bytes, "p.txt"), NucxField(u"n\x4E2D.txt")), true, u"n\x4E2D.txt"},
        {"NUCX with another signature", Odd, 0, NucxField(u"other.txt", 0x12345678), true, Want},
        {"NUCX asking for more units than it holds", Odd, 0,
         NucxField(u"cut.txt", UnicodeAdditionalSignature, 50), true, Want},
    };
    for (const Case& C : Cases) {
        ZipWriter W;
        W.AddFile(C.Header, "data", {.extra = C.Extra, .flags = C.Flags});
        auto L = Load(W.Finish(), {.OEMFileNames = C.Oem});
        ASSERT_EQ(L->Count(), 1) << C.What;
        EXPECT_EQ(L->Name(0), C.Expected) << C.What;
    }
}

TEST(DirLoad, UnrepresentableCharactersComeBackFromTheUnicodeField) {
    CodePageGuard Pages(437, 1252);
    // The header name holds '?' where CP437 has no character; the NUCX field keeps the name.
    ZipWriter W;
    W.AddFile("?.txt", "x", {.unicodeName = TKSString(u"\x0151.txt")});
    W.AddFile("?2.txt", "y");
    auto L = Load(W.Finish());
    EXPECT_EQ(L->Name(0), u"\x0151.txt");
    EXPECT_EQ(L->Name(1), u"?2.txt");
}

TEST(DirLoad, NameEndsAtItsFirstZeroByte) {
    ZipWriter W;
    W.AddFile(std::string("cut\0rest", 8), "x");
    auto L = Load(W.Finish());
    EXPECT_EQ(L->Name(0), u"cut");
}

TEST(DirLoad, DuplicateNamesBothLoadAndTheLaterOneIsFound) {
    ZipWriter W;
    W.AddFile("Readme.txt", "first");
    W.AddFile("README.TXT", "second");
    auto L = Load(W.Finish());
    ASSERT_EQ(L->Count(), 2);
    EXPECT_EQ(L->Name(0), u"Readme.txt");
    EXPECT_EQ(L->Name(1), u"README.TXT");
    EXPECT_EQ(L->DM->CDir.IndexOfName(u"readme.txt"), 1);
}

TEST(DirLoad, TwoEmptyNamesFailReadingAnd59Propagates) {
    ZipWriter W;
    W.AddFile("", "one");
    W.AddFile("", "two");
    const Bytes A = W.Finish();
    auto L = Prepare(A, {.OpenCorrupted = false});
    EXPECT_EQ(NativeOf([&] { L->DM->LoadDir(); }), 59);
    // Recovering rebuilds, and the rebuild passes over entries without a name.
    auto R = Prepare(A);
    EXPECT_EQ(NativeOf([&] { R->DM->LoadDir(); }), -1);
    EXPECT_EQ(R->Count(), 0);
}

// ---- extra fields ------------------------------------------------------------------------------

TEST(DirLoad, StrayBytesAtTheEndOfTheExtraAreaAreSkipped) {
    for (size_t Stray : {1, 2, 3}) {
        ZipWriter W;
        Bytes Extra = Concat(Field(0x5455, {1, 2, 3, 4, 5}), Bytes(Stray, 0x4E));
        W.AddFile("a.txt", "x", {.centralExtra = Extra, .comment = test::ToBytes("note")});
        W.AddFile("b.txt", "y");
        auto L = Load(W.Finish(), {.OpenCorrupted = false});
        ASSERT_EQ(L->Count(), 2) << Stray;
        ASSERT_EQ(L->Item(0).ExtraFields.size(), 1u) << Stray;
        EXPECT_EQ(L->Item(0).ExtraFields[0].headerID, 0x5455) << Stray;
        EXPECT_EQ(L->Item(0).Comment, "note") << Stray;
        EXPECT_EQ(L->Name(1), u"b.txt") << Stray;
    }
}

TEST(DirLoad, ExtraBlockLongerThanTheAreaIsCut) {
    ZipWriter W;
    // dataSize 10, but only 3 bytes follow inside the area.
    W.AddFile("a.txt", "x",
              {.centralExtra = Bytes{0x34, 0x12, 10, 0, 7, 8, 9}, .comment = test::ToBytes("c")});
    auto L = Load(W.Finish(), {.OpenCorrupted = false});
    ASSERT_EQ(L->Item(0).ExtraFields.size(), 1u);
    EXPECT_EQ(L->Item(0).ExtraFields[0].dataSize, 3);
    EXPECT_EQ(L->Item(0).ExtraFields[0].pData, (Bytes{7, 8, 9}));
    EXPECT_EQ(L->Item(0).Comment, "c");
}

TEST(DirLoad, AesFieldSetsStrengthAndActualMethod) {
    struct Case {
        const char* What;
        Bytes Field;
        uint16_t ExtractVersion;
        TKSCryptoAlgorithm Algorithm;
        uint16_t Method;
    };
    auto Aes = [](uint8_t Strength, uint16_t Method) {
        return Field(AesExtraFieldHeaderID, {2, 0, 'A', 'E', Strength, static_cast<uint8_t>(Method), 0});
    };
    const Case Cases[] = {
        {"AES-128 stored", Aes(1, 0), 51, caAES_128, 0},
        {"AES-192", Aes(2, 8), 51, caAES_192, 8},
        {"AES-256 deflate", Aes(3, 8), 51, caAES_256, 8},
        {"unknown strength keeps the algorithm", Aes(7, 8), 51, caPkzipClassic, 8},
        {"version needed too high", Aes(3, 8), 0x4114, caPkzipClassic, 99},
        {"field shorter than 7 bytes", Field(AesExtraFieldHeaderID, {2, 0, 'A', 'E', 3, 8}), 51,
         caPkzipClassic, 99},
    };
    for (const Case& C : Cases) {
        ZipWriter W;
        W.AddFile("a.bin", "payload",
                  {.method = 99, .centralExtra = C.Field, .extractVersion = C.ExtractVersion});
        auto L = Load(W.Finish());
        ASSERT_EQ(L->Count(), 1) << C.What;
        EXPECT_EQ(L->Item(0).KSEncryptionAlgorithm, C.Algorithm) << C.What;
        EXPECT_EQ(L->Item(0).CompressionMethod, C.Method) << C.What;
        EXPECT_EQ(L->Item(0).CentralDir.compMethod, 99) << C.What;
    }
}

// ---- stubs -------------------------------------------------------------------------------------

Bytes Stub(size_t Size) {
    return test::NoiseBytes(Size, 77);
}

TEST(DirLoad, StubWithRelativeAndAbsoluteOffsets) {
    for (bool Relative : {true, false}) {
        ZipWriter W;
        W.SetStub(Stub(40000));
        W.AddDirectory("folder");
        W.AddFile("a.txt", "hello");
        W.AddFile("b.txt", std::string(500, 'b'));
        Bytes A = W.Finish({.offsetsFromArchiveStart = Relative});
        auto L = Load(A);
        ASSERT_EQ(L->Count(), 3) << Relative;
        EXPECT_EQ(L->DM->StubSize, 40000) << Relative;
        // File items point at their local headers in the file; folders keep their stored offset.
        EXPECT_EQ(L->Item(1).EffRelOffsetLH(), LocalHeaderOf(A, "a.txt")) << Relative;
        EXPECT_EQ(L->Item(2).EffRelOffsetLH(), LocalHeaderOf(A, "b.txt")) << Relative;
        EXPECT_EQ(L->Item(0).EffRelOffsetLH(), Relative ? 0u : 40000u);
    }
}

// Rewrites the central directory with its entries in another order.
Bytes ReorderCentral(const Bytes& A, const test::ArchiveLayout& Lay, const std::vector<size_t>& Order) {
    const size_t Start = Lay.centralDirOffset, End = Lay.centralDirOffset + Lay.centralDirSize;
    std::vector<Bytes> Entries;
    for (size_t k = 0; k < Lay.entries.size(); ++k) {
        const size_t From = Lay.entries[k].centralOffset;
        const size_t To = k + 1 < Lay.entries.size() ? Lay.entries[k + 1].centralOffset : End;
        Entries.emplace_back(A.begin() + From, A.begin() + To);
    }
    Bytes Out(A.begin(), A.begin() + Start);
    for (size_t k : Order)
        Out = Concat(Out, Entries[k]);
    Out.insert(Out.end(), A.begin() + End, A.end());
    return Out;
}

TEST(DirLoad, StubReferenceIsTheItemStoredFirst) {
    // The folder listed first in the directory is stored last.
    ZipWriter W;
    W.SetStub(Stub(1000));
    W.AddFile("a.txt", "hello");
    W.AddFile("b.txt", "world");
    W.AddDirectory("z");
    Bytes A = W.Finish({.offsetsFromArchiveStart = true});
    A = ReorderCentral(A, W.Layout(), {2, 0, 1});
    auto L = Load(A);
    ASSERT_EQ(L->Count(), 3);
    EXPECT_EQ(L->Name(0), u"z/");
    EXPECT_EQ(L->DM->StubSize, 1000);
    EXPECT_EQ(L->Item(1).EffRelOffsetLH(), LocalHeaderOf(A, "a.txt"));
    EXPECT_EQ(L->Item(2).EffRelOffsetLH(), LocalHeaderOf(A, "b.txt"));
}

TEST(DirLoad, StubBeforeAStreamedArchive) {
    for (bool Relative : {true, false}) {
        ZipWriter W;
        W.SetStub(Stub(4000));
        W.AddFile("a.txt", std::string(300, 'a'), {.dataDescriptor = true});
        W.AddFile("b.txt", "b", {.dataDescriptor = true});
        const Bytes A = W.Finish({.offsetsFromArchiveStart = Relative});
        auto L = Load(A);
        ASSERT_EQ(L->Count(), 2) << Relative;
        EXPECT_EQ(L->DM->StubSize, Relative ? 4000 : 0) << Relative;
        EXPECT_EQ(L->Item(0).EffRelOffsetLH(), LocalHeaderOf(A, "a.txt")) << Relative;
        EXPECT_EQ(L->Item(1).EffRelOffsetLH(), LocalHeaderOf(A, "b.txt")) << Relative;
    }
}

TEST(DirLoad, StubBeforeAZip64Archive) {
    ZipWriter W;
    W.SetStub(Stub(5000));
    W.AddFile("a.txt", "hello", {.zip64 = true});
    W.AddFile("b.txt", "world");
    const Bytes A = W.Finish({.zip64 = true, .offsetsFromArchiveStart = true});
    auto L = Load(A);
    ASSERT_EQ(L->Count(), 2);
    EXPECT_TRUE(L->DM->FZip64);
    EXPECT_EQ(L->DM->StubSize, 5000);
    EXPECT_EQ(L->Item(0).EffRelOffsetLH(), LocalHeaderOf(A, "a.txt"));
    EXPECT_EQ(L->Item(1).EffRelOffsetLH(), LocalHeaderOf(A, "b.txt"));
}

TEST(DirLoad, EmptyArchiveBehindAStub) {
    ZipWriter W;
    W.SetStub(Stub(300));
    auto L = Load(W.Finish());
    EXPECT_EQ(L->Count(), 0);
    EXPECT_EQ(L->DM->StubSize, 300);
}

// ---- validity check and hostile values -----------------------------------------------------------

TEST(DirLoad, CompressedSizesLargerThanTheArchive) {
    ZipWriter W;
    W.AddFile("a.txt", "hello", {.compSize = 0x7FFFFFFF});
    const Bytes A = W.Finish();
    auto Strict = Prepare(A, {.OpenCorrupted = false});
    EXPECT_EQ(NativeOf([&] { Strict->DM->LoadDir(); }), 57);
    auto Lenient = Load(A); // the check is made only when damaged archives are refused
    EXPECT_EQ(Lenient->Count(), 1);
}

TEST(DirLoad, CountsTheDirectoryCannotHold) {
    struct Case {
        const char* What;
        bool Zip64;
        uint64_t Count;
    };
    const Case Cases[] = {{"60000 entries", false, 60000},
                          {"2^40 entries", true, 1ull << 40},
                          {"2^64-1 entries", true, UINT64_MAX}};
    for (const Case& C : Cases) {
        ZipWriter W;
        W.AddFile("a.txt", "hello");
        W.AddFile("b.txt", "world");
        Bytes A = W.Finish({.zip64 = C.Zip64});
        if (C.Zip64)
            test::PatchLE64(A, W.Layout().zip64EndOffset + 32, C.Count);
        else
            test::PatchEndRecord(A, W.Layout(), [&](TKSZipCentralDirEnd& E) {
                E.entriesCentralDir = static_cast<uint16_t>(C.Count);
            });
        // Recovering: rebuilt from the two local headers.
        auto L = Load(A);
        EXPECT_EQ(L->Count(), 2) << C.What;
        // Strict: the stream's read error, as reading past the end gives.
        auto S = Prepare(A, {.OpenCorrupted = false});
        EXPECT_THROW(S->DM->LoadDir(), EReadError) << C.What;
    }
}

TEST(DirLoad, DirectorySizeLargerThanItsPosition) {
    ZipWriter W;
    W.AddFile("a.txt", "hello");
    Bytes A = W.Finish();
    test::PatchEndRecord(A, W.Layout(), [](TKSZipCentralDirEnd& E) { E.centralDirSize = 0xFFFFFF00; });
    EXPECT_EQ(Load(A)->Count(), 1);
    auto S = Prepare(A, {.OpenCorrupted = false});
    EXPECT_THROW(S->DM->LoadDir(), EReadError);
}

TEST(DirLoad, UnreadableItemsPropagateOrRebuild) {
    ZipWriter W;
    W.AddFile("a.txt", "hello", {.dataDescriptor = true});
    W.AddFile("empty.txt", "");
    W.AddDirectory("folder");
    W.AddFile("c.txt", std::string(1000, 'c'), {.method = 0});
    Bytes A = W.Finish();
    test::PatchCentralHeader(A, W.Layout(), 1, [](TKSZipCentralDir& H) { H.nameLength = 0xFFF0; });
    {
        auto S = Prepare(A, {.OpenCorrupted = false});
        EXPECT_THROW(S->DM->LoadDir(), EReadError);
    }
    auto L = Load(A);
    ASSERT_EQ(L->Count(), 4);
    EXPECT_EQ(L->Name(0), u"a.txt");
    // The sizes of the streamed item come from its data descriptor.
    EXPECT_EQ(L->Item(0).CentralDir.unCompSize, 5u);
    EXPECT_EQ(L->Item(0).CentralDir.crc32, test::Crc32(test::ToBytes("hello")));
    EXPECT_EQ(L->Item(0).CentralDir.compSize, W.Layout().entries[0].dataSize);
    // An empty file stays a file; only the entry named like a folder is one.
    EXPECT_EQ(L->Name(1), u"empty.txt");
    EXPECT_EQ(L->Item(1).CentralDir.externalAttr, 0x20u);
    EXPECT_EQ(L->Name(2), u"folder/");
    EXPECT_EQ(L->Item(2).CentralDir.externalAttr, 0x10u);
    EXPECT_EQ(L->Item(3).EffRelOffsetLH(), LocalHeaderOf(A, "c.txt"));
    EXPECT_EQ(L->DM->CentralDirOffset, static_cast<int64_t>(A.size()));
}

// ---- the end record of a new, empty archive ----------------------------------------------------------

TEST(DirLoad, SaveDirWritesTheEmptyEndRecordAtTheEnd) {
    for (size_t Before : {0, 100}) {
        auto L = Prepare(Bytes(Before, 0x5A));
        L->DM->SaveDir(true, nullptr);
        const auto& Data = L->Stream->Bytes();
        ASSERT_EQ(Data.size(), Before + 22) << Before;
        TKSZipCentralDirEnd E;
        ASSERT_TRUE(DecodeRecord(std::span<const uint8_t>(Data).subspan(Before), E));
        EXPECT_EQ(E.signature, ZipCentralDirEndSignature);
        EXPECT_EQ(E.entriesCentralDir, 0);
        EXPECT_EQ(E.entriesOnDisk, 0);
        EXPECT_EQ(E.centralDirSize, 0u);
        EXPECT_EQ(E.offsetStartDir, Before);
        EXPECT_EQ(E.commentLength, 0);
        EXPECT_EQ(L->DM->CentralDirOffset, static_cast<int64_t>(Before));
        // What was written reads back as an empty archive.
        auto Back = Load(Data);
        EXPECT_EQ(Back->Count(), 0);
    }
}

TEST(DirLoad, SaveDirUsesTheComponentsVolumeNumber) {
    auto L = Prepare({});
    L->Arc->FVolumeNumberInfo->SetVolumeNumber(3);
    L->DM->SaveDir(true, nullptr);
    TKSZipCentralDirEnd E;
    ASSERT_TRUE(DecodeRecord(L->Stream->Bytes(), E));
    EXPECT_EQ(E.diskNumber, 3);
    EXPECT_EQ(E.startDiskNumber, 3);
}

} // namespace
} // namespace ks

namespace ks {
namespace {

using namespace dirtest;

// ---- archives made by peer tools -------------------------------------------------------------------

TEST(DirLoadPeers, NamesAndOffsetsOfPeerArchives) {
    struct Case {
        const char* File;
        std::vector<std::string> Names; // UTF-8
        int64_t StubSize;
    };
    const Case Cases[] = {
        {"zip_plain.zip", {"hello.txt", "dir/", "dir/sub/", "dir/sub/inner.txt"}, 0},
        {"zip_stub_unadjusted.zip", {"hello.txt", "dir/", "dir/sub/", "dir/sub/inner.txt"}, 4000},
        {"zip_stub_adjusted.zip", {"hello.txt", "dir/", "dir/sub/", "dir/sub/inner.txt"}, 4000},
        {"zip_zip64.zip", {"hello.txt", "lines.txt", "dir/sub/inner.txt"}, 0},
        {"zip_traditional.zip", {"hello.txt", "lines.txt"}, 0},
        {"7z_utf8.zip",
         {"\xC3\xA1rv\xC3\xADzt\xC5\xB1r\xC5\x91.txt", "\xC5\x90/", "\xC5\x90/\xCE\xB1\xCE\xB2\xCE\xB3.txt",
          "\xC5\x90/\xE6\xBC\xA2\xE5\xAD\x97.txt"},
         0},
        {"py_utf8.zip",
         {"t\xC3\xBCk\xC3\xB6rf\xC3\xBAr\xC3\xB3g\xC3\xA9p.txt",
          "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA"
          "\xCE\xAC/\xCF\x8E.txt"},
         0},
        {"directory/bsdtar_utf8.zip",
         {"f\xC5\x91.txt", "t\xC3\xBCk\xC3\xB6r/", "t\xC3\xBCk\xC3\xB6r/\xC3\x81rv\xC3\xADz.txt"},
         0},
        {"directory/bsdtar_cp852.zip",
         {"f\xC5\x91.txt", "t\xC3\xBCk\xC3\xB6r/", "t\xC3\xBCk\xC3\xB6r/\xC3\x81rv\xC3\xADz.txt"},
         0},
    };
    // The code-page fixture needs the OEM page it was written in; ANSI 1250 holds all its letters.
    CodePageGuard Pages(852, 1250);
    for (const Case& C : Cases) {
        const Bytes A = test::ReadFileBytes(std::string(KS_FIXTURES_DIR) + "/" + C.File);
        ASSERT_FALSE(A.empty()) << C.File;
        auto L = Load(A, {.OpenCorrupted = false});
        ASSERT_EQ(L->Count(), static_cast<int32_t>(C.Names.size())) << C.File;
        EXPECT_EQ(L->DM->StubSize, C.StubSize) << C.File;
        for (int32_t i = 0; i < L->Count(); ++i) {
            EXPECT_EQ(L->Name(i), U8(C.Names[static_cast<size_t>(i)])) << C.File << " #" << i;
            const TDirItem& I = L->Item(i);
            if ((I.CentralDir.externalAttr & 0x10) != 0 && C.StubSize != 0)
                continue; // folders keep their stored offsets
            // The offset leads to this item's local header.
            const uint64_t At = I.EffRelOffsetLH();
            ASSERT_LE(At + 30, A.size()) << C.File << " #" << i;
            EXPECT_TRUE(HasSignature(std::span<const uint8_t>(A).subspan(At), ZipFileHeaderSignature))
                << C.File << " #" << i;
            EXPECT_EQ(A[At + 26] | (A[At + 27] << 8), I.CentralDir.nameLength) << C.File << " #" << i;
        }
    }
}

// Count empty stored entries named d00/f00000 ... with Zip64 end records (built directly: the
// general writer is not made for this many entries).
Bytes ManyEntries(uint32_t Count) {
    Bytes Body, Central;
    auto Put = [](Bytes& B, uint64_t V, int Width) {
        for (int i = 0; i < Width; ++i)
            B.push_back(i < 8 ? static_cast<uint8_t>(V >> (8 * i)) : 0);
    };
    char Name[32];
    for (uint32_t i = 0; i < Count; ++i) {
        const int Len = std::snprintf(Name, sizeof Name, "d%02u/f%05u", i / 1000, i);
        const uint64_t Offset = Body.size();
        Put(Body, ZipFileHeaderSignature, 4);
        Put(Body, 10, 2);
        Put(Body, 0, 2 * 4 + 4 * 3);
        Put(Body, static_cast<uint64_t>(Len), 2);
        Put(Body, 0, 2);
        Body.insert(Body.end(), Name, Name + Len);
        Put(Central, ZipCentralDirSignature, 4);
        Put(Central, 20, 2);
        Put(Central, 10, 2);
        Put(Central, 0, 2 * 4 + 4 * 3);
        Put(Central, static_cast<uint64_t>(Len), 2);
        Put(Central, 0, 2 * 4);
        Put(Central, 0x20, 4);
        Put(Central, Offset, 4);
        Central.insert(Central.end(), Name, Name + Len);
    }
    Bytes A = Concat(Body, Central);
    const uint64_t Zip64End = A.size();
    Put(A, Zip64CentralDirEndSignature, 4);
    Put(A, 44, 8);
    Put(A, 45, 2);
    Put(A, 45, 2);
    Put(A, 0, 8);
    Put(A, Count, 8);
    Put(A, Count, 8);
    Put(A, Central.size(), 8);
    Put(A, Body.size(), 8);
    Put(A, Zip64CentralDirEndLocatorSignature, 4);
    Put(A, 0, 4);
    Put(A, Zip64End, 8);
    Put(A, 1, 4);
    Put(A, ZipCentralDirEndSignature, 4);
    Put(A, 0, 4);
    Put(A, 0xFFFF, 2);
    Put(A, 0xFFFF, 2);
    Put(A, Central.size(), 4);
    Put(A, Body.size(), 4);
    Put(A, 0, 2);
    return A;
}

TEST(DirLoadPeers, MoreItemsThanTheEndRecordCanCount) {
    // 70,000 items: the end record's count saturates and the Zip64 end record carries it.
    auto L = Load(ManyEntries(70000), {.OpenCorrupted = false});
    EXPECT_TRUE(L->DM->FZip64);
    EXPECT_EQ(L->DM->CentralDirEnd.entriesCentralDir, 0xFFFF);
    ASSERT_EQ(L->Count(), 70000);
    EXPECT_EQ(L->Name(69999), u"d69/f69999");
    EXPECT_EQ(L->Item(69999).EffRelOffsetLH(), 69999u * 40);
    EXPECT_EQ(L->DM->CDir.IndexOfName(u"D12/F12345"), 12345);
    EXPECT_EQ(L->DM->StubSize, 0);
}

} // namespace
} // namespace ks

namespace ks {
namespace {

using namespace dirtest;

TEST(DirLoad, NewArchiveStartsWithTheSfxStub) {
    test::TempDir Dir;
    const Bytes StubBytes = test::NoiseBytes(1234, 5);
    const auto StubFile = Dir.Write("stub.exe", StubBytes);
    auto L = Prepare(test::ToBytes("old contents that the stub replaces"));
    L->Arc->FSFXStub = StubFile.u16string();
    L->Arc->FVolumeNumberInfo->SetVolumeNumber(3);
    L->DM = std::make_unique<TKSDirManager>(L->Stream.get(), L->Arc.get(), true);
    EXPECT_TRUE(L->Arc->FVolumeNumberInfo->FirstVolume());
    EXPECT_EQ(L->DM->StubSize, 1234);
    EXPECT_EQ(L->Stream->Bytes(), StubBytes);
    // Closing the empty archive puts its end record after the stub.
    L->DM->SaveDir(true, nullptr);
    auto Back = Load(L->Stream->Bytes());
    EXPECT_EQ(Back->Count(), 0);
    EXPECT_EQ(Back->DM->StubSize, 1234);
    EXPECT_EQ(Back->DM->CentralDirEnd.offsetStartDir, 1234u);
    EXPECT_EQ(Back->DM->CentralDirEnd.diskNumber, 0);
}

} // namespace
} // namespace ks
