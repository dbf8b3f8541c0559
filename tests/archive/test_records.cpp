// ZIP records: byte-exact layouts, the Unicode, Zip64 and AES fields, the extra-field walk, the
// empty archive's end record, short and hostile buffers, and records written by peer tools.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/KSByteCursor.h"
#include "archive/ZipRecords.h"
#include "platform/KSStreams.h"
#include "tests/support/ZipWriter.h"

namespace ks {
namespace {

using test::Bytes;

// Decodes Bytes into a record, compares it with Expected, encodes it back to the same bytes, and
// checks that every shorter buffer is refused without touching the output. Each prefix lives in a
// buffer of its own exact size, so a read past its end is caught by the sanitizer run.
template <typename TRecord> void CheckLayout(const Bytes& Raw, const TRecord& Expected) {
    ASSERT_EQ(Raw.size(), TRecord::Size);
    TRecord Got;
    ASSERT_TRUE(DecodeRecord(Raw, Got));
    EXPECT_TRUE(Got == Expected);
    const auto Enc = EncodeRecord(Expected);
    EXPECT_EQ(Bytes(Enc.begin(), Enc.end()), Raw);
    for (size_t n = 0; n < TRecord::Size; ++n) {
        const Bytes Prefix(Raw.begin(), Raw.begin() + static_cast<std::ptrdiff_t>(n));
        TRecord Untouched = Expected;
        EXPECT_FALSE(DecodeRecord(Prefix, Untouched)) << "prefix of " << n << " bytes";
        EXPECT_TRUE(Untouched == Expected);
    }
    // Bytes after the record are not part of it.
    Bytes Longer = Raw;
    Longer.push_back(0xAA);
    TRecord FromLonger;
    ASSERT_TRUE(DecodeRecord(Longer, FromLonger));
    EXPECT_TRUE(FromLonger == Expected);
}

TEST(RecordLayout, LocalFileHeader) {
    TKSZipFileHeader R;
    R.extractVersion = 20;
    R.genPurposeFlag = 0x0809;
    R.compMethod = 8;
    R.lastModTime = 0x6001;
    R.lastModDate = 0x5A2F;
    R.crc32 = 0x12345678;
    R.compSize = 0x11223344;
    R.unCompSize = 0x55667788;
    R.nameLength = 5;
    R.extraLength = 12;
    CheckLayout(Bytes{0x50, 0x4B, 0x03, 0x04, 0x14, 0x00, 0x09, 0x08, 0x08, 0x00,
                      0x01, 0x60, 0x2F, 0x5A, 0x78, 0x56, 0x34, 0x12, 0x44, 0x33,
                      0x22, 0x11, 0x88, 0x77, 0x66, 0x55, 0x05, 0x00, 0x0C, 0x00},
                R);
}

TEST(RecordLayout, DataDescriptor) {
    TKSZipDataDescriptor R;
    R.crc32 = 0xDEADBEEF;
    R.compressedSize = 0x01020304;
    R.uncompressedSize = 0xA0B0C0D0;
    CheckLayout(
        Bytes{0x50, 0x4B, 0x07, 0x08, 0xEF, 0xBE, 0xAD, 0xDE, 0x04, 0x03, 0x02, 0x01, 0xD0, 0xC0, 0xB0, 0xA0},
        R);
}

TEST(RecordLayout, CentralDirectoryHeader) {
    TKSZipCentralDir R;
    R.versionMadeBy = 0x031E;
    R.extractVersion = 20;
    R.genPurposeFlag = 1;
    R.compMethod = 99;
    R.lastModTime = 0x6001;
    R.lastModDate = 0x5A2F;
    R.crc32 = 0xDEADBEEF;
    R.compSize = 1;
    R.unCompSize = 0xFFFFFFFF;
    R.nameLength = 7;
    R.extraLength = 32;
    R.commentLength = 3;
    R.diskNumberStart = 0xFFFF;
    R.internalAttr = 1;
    R.externalAttr = 0x81ED0020;
    R.relOffsetLH = 0x76543210;
    CheckLayout(Bytes{0x50, 0x4B, 0x01, 0x02, 0x1E, 0x03, 0x14, 0x00, 0x01, 0x00, 0x63, 0x00,
                      0x01, 0x60, 0x2F, 0x5A, 0xEF, 0xBE, 0xAD, 0xDE, 0x01, 0x00, 0x00, 0x00,
                      0xFF, 0xFF, 0xFF, 0xFF, 0x07, 0x00, 0x20, 0x00, 0x03, 0x00, 0xFF, 0xFF,
                      0x01, 0x00, 0x20, 0x00, 0xED, 0x81, 0x10, 0x32, 0x54, 0x76},
                R);
}

TEST(RecordLayout, EndOfCentralDirectory) {
    TKSZipCentralDirEnd R;
    R.diskNumber = 2;
    R.startDiskNumber = 1;
    R.entriesOnDisk = 3;
    R.entriesCentralDir = 4;
    R.centralDirSize = 46;
    R.offsetStartDir = 10000;
    R.commentLength = 3000;
    CheckLayout(Bytes{0x50, 0x4B, 0x05, 0x06, 0x02, 0x00, 0x01, 0x00, 0x03, 0x00, 0x04,
                      0x00, 0x2E, 0x00, 0x00, 0x00, 0x10, 0x27, 0x00, 0x00, 0xB8, 0x0B},
                R);
}

TEST(RecordLayout, Zip64EndOfCentralDirectory) {
    TKSZip64CentralDirEnd R;
    R.centralDirEndSize = 44;
    R.versionMadeBy = 45;
    R.versionNeededToExtract = 46;
    R.diskNumber = 1;
    R.startDiskNumber = 2;
    R.entriesOnDisk = 3;
    R.entriesCentralDir = 0x0102030405060708ull;
    R.centralDirSize = 0x0C0B0A0908070605ull;
    R.offsetStartDir = 0x100000000ull;
    CheckLayout(Bytes{0x50, 0x4B, 0x06, 0x06, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2D, 0x00,
                      0x2E, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
                      0x00, 0x00, 0x00, 0x00, 0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01, 0x05, 0x06,
                      0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00},
                R);
}

TEST(RecordLayout, Zip64EndLocator) {
    TKSZip64CentralDirEndLocator R;
    R.startDiskNumber = 1;
    R.offsetStartDirEnd = 0x0102030405060708ull;
    R.totalNumberOfDisks = 3;
    CheckLayout(Bytes{0x50, 0x4B, 0x06, 0x07, 0x01, 0x00, 0x00, 0x00, 0x08, 0x07,
                      0x06, 0x05, 0x04, 0x03, 0x02, 0x01, 0x03, 0x00, 0x00, 0x00},
                R);
}

TEST(RecordLayout, SignatureIsTakenAsStoredAndTestedSeparately) {
    Bytes Raw(46, 0);
    Raw[0] = 'X';
    TKSZipCentralDir R;
    ASSERT_TRUE(DecodeRecord(Raw, R));
    EXPECT_EQ(R.signature, 0x00000058u);
    EXPECT_FALSE(HasSignature(Raw, ZipCentralDirSignature));
    EXPECT_TRUE(HasSignature(Bytes{0x50, 0x4B, 0x01, 0x02}, ZipCentralDirSignature));
    EXPECT_FALSE(HasSignature(Bytes{0x50, 0x4B, 0x01}, ZipCentralDirSignature));
}

TEST(DosDateTime, DateIsTheHighWordTimeTheLow) {
    const int32_t v = KSDosDateTime(0x6001, 0x5A2F);
    EXPECT_EQ(static_cast<uint32_t>(v), 0x5A2F6001u);
    EXPECT_EQ(KSDosTimeOf(v), 0x6001);
    EXPECT_EQ(KSDosDateOf(v), 0x5A2F);
    // Dates from 2044 on set the sign bit of the 32-bit value; the split is unaffected.
    const int32_t late = KSDosDateTime(0xBF7D, 0x9F9F);
    EXPECT_LT(late, 0);
    EXPECT_EQ(KSDosDateOf(late), 0x9F9F);
    EXPECT_EQ(KSDosTimeOf(late), 0xBF7D);
}

// ---- the empty archive's end record -----------------------------------------------------------

TEST(EmptyEndRecord, TwentyTwoBytes) {
    struct Case {
        int32_t volume;
        uint64_t position;
        Bytes expected;
    };
    const Case cases[] = {
        {0, 0, {0x50, 0x4B, 0x05, 0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {-1, 0, {0x50, 0x4B, 0x05, 0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {3, 40000, {0x50, 0x4B, 0x05, 0x06, 3, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 0x9C, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const auto Got = EncodeEmptyCentralDirEnd(c.volume, c.position);
        EXPECT_EQ(Bytes(Got.begin(), Got.end()), c.expected) << c.volume << " " << c.position;
    }
    // A position beyond 32 bits is stored as the marker, not wrapped to a wrong offset.
    EXPECT_EQ(MakeEmptyCentralDirEnd(0, 0x100000010ull).offsetStartDir, KSZip64Marker32);
}

// ---- extra fields -----------------------------------------------------------------------------

TEST(ExtraFieldWalk, BlocksCutAndFragments) {
    struct Block {
        uint16_t id;
        Bytes data;
    };
    struct Case {
        const char* label;
        Bytes area;
        std::vector<Block> blocks;
    };
    const Case cases[] = {
        {"Empty", {}, {}},
        {"TwoBlocks",
         {0x01, 0x00, 0x02, 0x00, 0xAA, 0xBB, 0x4E, 0x55, 0x01, 0x00, 0xCC},
         {{1, {0xAA, 0xBB}}, {0x554E, {0xCC}}}},
        {"ZeroSizeBlock", {0x34, 0x12, 0x00, 0x00}, {{0x1234, {}}}},
        {"SizeRunsPastArea", {0x01, 0x99, 0x07, 0x00, 0x02, 0x00, 0x41}, {{0x9901, {0x02, 0x00, 0x41}}}},
        {"FragmentAfterBlock", {0x0A, 0x00, 0x01, 0x00, 0x05, 0xFF, 0xEE, 0xDD}, {{0x000A, {0x05}}}},
        {"OnlyFragment", {0x01, 0x00, 0x08}, {}},
        {"HeaderOnlyAtEnd", {0x0A, 0x00, 0x00, 0x00, 0x01, 0x00, 0x10, 0x00}, {{0x000A, {}}, {0x0001, {}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const auto Split = SplitExtraFields(c.area);
        ASSERT_EQ(Split.size(), c.blocks.size());
        for (size_t i = 0; i < Split.size(); ++i) {
            EXPECT_EQ(Split[i].headerID, c.blocks[i].id);
            EXPECT_EQ(Split[i].pData, c.blocks[i].data);
            EXPECT_EQ(Split[i].dataSize, c.blocks[i].data.size());
        }
    }
}

TEST(ExtraFieldWalk, EncodesBlockAndRefusesOversizedData) {
    const auto F = EncodeExtraField(0xCAFE, Bytes{1, 2, 3});
    ASSERT_TRUE(F.has_value());
    EXPECT_EQ(*F, (Bytes{0xFE, 0xCA, 0x03, 0x00, 1, 2, 3}));
    EXPECT_FALSE(EncodeExtraField(1, Bytes(0x10000, 0)).has_value());
    EXPECT_TRUE(EncodeExtraField(1, Bytes(0xFFFF, 0)).has_value());
}

// ---- Zip64 extended information ---------------------------------------------------------------

Bytes Le(std::initializer_list<std::pair<uint64_t, int>> Values) {
    Bytes Out;
    for (auto [v, w] : Values)
        for (int i = 0; i < w; ++i)
            Out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return Out;
}

TEST(Zip64Field, TakesSaturatedValuesInOrderWhenTheyFit) {
    struct Case {
        const char* label;
        TKSZip64Presence present;
        Bytes data;
        TKSZip64ExtendedInfo expected;
    };
    const uint64_t U = 0x1111111111111111ull, C = 0x2222222222222222ull, O = 0x3333333333333333ull;
    const Case cases[] = {
        {"BothSizes16Bytes", {true, true, false, false}, Le({{U, 8}, {C, 8}}), {U, C, 0, 0}},
        {"AllFour", {true, true, true, true}, Le({{U, 8}, {C, 8}, {O, 8}, {7, 4}}), {U, C, O, 7}},
        {"OnlyOffset", {false, false, true, false}, Le({{O, 8}}), {0, 0, O, 0}},
        {"OnlyCompressed", {false, true, false, false}, Le({{C, 8}}), {0, C, 0, 0}},
        {"ShortFieldKeepsRestZero", {true, true, false, false}, Le({{U, 8}, {5, 4}}), {U, 0, 0, 0}},
        {"EmptyField", {true, true, true, true}, {}, {0, 0, 0, 0}},
        {"DiskAfterSkippedOffset", {false, false, true, true}, Le({{9, 4}}), {0, 0, 0, 9}},
        {"SevenBytesTakeNothing", {true, false, false, false}, Bytes(7, 0xFF), {0, 0, 0, 0}},
        {"NothingSaturatedTakesNothing", {false, false, false, false}, Le({{U, 8}}), {0, 0, 0, 0}},
        {"ExtraBytesIgnored",
         {false, false, false, true},
         Le({{0x01020304, 4}, {U, 8}}),
         {0, 0, 0, 0x01020304}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        TKSZip64ExtendedInfo Info;
        ReadZip64ExtendedInfo(c.data, c.present, Info);
        EXPECT_EQ(Info.uncompSize, c.expected.uncompSize);
        EXPECT_EQ(Info.compSize, c.expected.compSize);
        EXPECT_EQ(Info.relOffsetLH, c.expected.relOffsetLH);
        EXPECT_EQ(Info.diskNumberStart, c.expected.diskNumberStart);
    }
}

TEST(Zip64Field, PresenceFollowsTheMarkers) {
    TKSZipCentralDir cd;
    cd.unCompSize = KSZip64Marker32;
    cd.relOffsetLH = KSZip64Marker32;
    cd.diskNumberStart = KSZip64Marker16;
    const auto P = Zip64PresenceOf(cd);
    EXPECT_TRUE(P.uncompSize);
    EXPECT_FALSE(P.compSize);
    EXPECT_TRUE(P.relOffsetLH);
    EXPECT_TRUE(P.diskNumberStart);

    TKSZipFileHeader lh;
    lh.compSize = KSZip64Marker32;
    const auto L = Zip64PresenceOf(lh);
    EXPECT_FALSE(L.uncompSize);
    EXPECT_TRUE(L.compSize);
    EXPECT_FALSE(L.relOffsetLH);
    EXPECT_FALSE(L.diskNumberStart);
}

TEST(Zip64Field, EncodesOnlyPresentValues) {
    const TKSZip64ExtendedInfo Info{0x0102030405060708ull, 0x1112131415161718ull, 0x2122232425262728ull,
                                    0x31323334};
    EXPECT_EQ(EncodeZip64ExtendedInfo(Info, {false, true, false, true}),
              Le({{0x1112131415161718ull, 8}, {0x31323334, 4}}));
    EXPECT_TRUE(EncodeZip64ExtendedInfo(Info, {}).empty());
    TKSZip64ExtendedInfo Back;
    ReadZip64ExtendedInfo(EncodeZip64ExtendedInfo(Info, {true, true, true, true}), {true, true, true, true},
                          Back);
    EXPECT_TRUE(Back == Info);
}

// ---- Unicode name field -----------------------------------------------------------------------

Bytes Units(std::u16string_view Name) {
    Bytes Out;
    for (char16_t c : Name) {
        Out.push_back(static_cast<uint8_t>(c));
        Out.push_back(static_cast<uint8_t>(c >> 8));
    }
    return Out;
}

Bytes NucxData(uint32_t Count, const Bytes& NameBytes, uint32_t Signature = UnicodeAdditionalSignature) {
    Bytes Out = Le({{Signature, 4}, {Count, 4}});
    Out.insert(Out.end(), NameBytes.begin(), NameBytes.end());
    return Out;
}

TEST(UnicodeField, EncodesTheWholeField) {
    const auto F = EncodeUnicodeExtraField(u"a.txt");
    ASSERT_TRUE(F.has_value());
    EXPECT_EQ(*F, (Bytes{0x4E, 0x55, 0x12, 0x00, 0x4E, 0x55, 0x43, 0x58, 0x05, 0x00, 0x00,
                         0x00, 0x61, 0x00, 0x2E, 0x00, 0x74, 0x00, 0x78, 0x00, 0x74, 0x00}));
    EXPECT_EQ(EncodeUnicodeExtraField(TKSString(32763, u'x'))->size(), 12u + 2 * 32763);
    EXPECT_FALSE(EncodeUnicodeExtraField(TKSString(32764, u'x')).has_value());
}

TEST(UnicodeField, LoadRules) {
    const TKSString Hungarian = u"\u0150r\u00FClt/\u0171.txt"; // Őrült/ű.txt
    struct Case {
        const char* label;
        Bytes data;
        bool loaded;
        TKSString name; // FName afterwards (starts as "header")
        uint32_t signature;
    };
    const Case cases[] = {
        {"Exact", NucxData(11, Units(Hungarian)), true, Hungarian, UnicodeAdditionalSignature},
        {"EmptyName", NucxData(0, {}), true, u"", UnicodeAdditionalSignature},
        {"SurrogatePairKept", NucxData(2, Units(u"\U0001F600")), true, u"\U0001F600",
         UnicodeAdditionalSignature},
        {"OtherToolsField", NucxData(5, Units(u"a.txt"), 0x12345678), false, u"header", 0x12345678},
        {"CountAsksTooMuch", NucxData(6, Units(u"a.txt")), false, u"header", UnicodeAdditionalSignature},
        {"HugeCount", NucxData(0xFFFFFFFF, Units(u"a.txt")), false, u"header", UnicodeAdditionalSignature},
        {"OddTrailingByteIgnored",
         [] {
             Bytes b = NucxData(1, Units(u"z"));
             b.push_back(0x7A);
             return b;
         }(),
         true, u"z", UnicodeAdditionalSignature},
        {"NoCount", Le({{UnicodeAdditionalSignature, 4}, {5, 2}}), false, u"header",
         UnicodeAdditionalSignature},
        {"ThreeBytes", Bytes{0x4E, 0x55, 0x43}, false, u"header", 0},
        {"Nothing", {}, false, u"header", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        TUnicodeExtendedInfo U;
        U.SetName(u"header");
        EXPECT_EQ(U.Load(c.data), c.loaded);
        EXPECT_EQ(U.Name(), c.name);
        EXPECT_EQ(U.FAdditionalSignature, c.signature);

        TMemoryStream S;
        if (!c.data.empty())
            S.WriteBuffer(c.data.data(), static_cast<int64_t>(c.data.size()));
        TUnicodeExtendedInfo V;
        V.SetName(u"header");
        EXPECT_EQ(V.LoadFromStream(S), c.loaded);
        EXPECT_EQ(V.Name(), c.name);
    }
}

TEST(UnicodeField, NullDataIsRefused) {
    TUnicodeExtendedInfo U;
    EXPECT_FALSE(U.Load(nullptr, 100));
}

// ---- AES field --------------------------------------------------------------------------------

TEST(AesField, LayoutAndShortData) {
    const TKSAesExtraField F{2, 0x4541, 3, 8};
    const auto E = EncodeAesExtraField(F);
    EXPECT_EQ(Bytes(E.begin(), E.end()),
              (Bytes{0x01, 0x99, 0x07, 0x00, 0x02, 0x00, 'A', 'E', 0x03, 0x08, 0x00}));
    TKSAesExtraField Got;
    ASSERT_TRUE(DecodeAesExtraField(std::span<const uint8_t>(E).subspan(4), Got));
    EXPECT_TRUE(Got == F);
    for (size_t n = 0; n < KSAesExtraFieldDataSize; ++n) {
        const Bytes Short(E.begin() + 4, E.begin() + 4 + static_cast<std::ptrdiff_t>(n));
        TKSAesExtraField Untouched{1, 2, 3, 4};
        EXPECT_FALSE(DecodeAesExtraField(Short, Untouched));
        EXPECT_TRUE(Untouched == (TKSAesExtraField{1, 2, 3, 4}));
    }
}

// ---- stream reads -----------------------------------------------------------------------------

TEST(StreamRecords, OneReadPerRecordAndShortStreamsRaise) {
    TMemoryStream S;
    TKSZipCentralDirEnd End;
    End.entriesCentralDir = 9;
    WriteRecord(S, End);
    TKSZipFileHeader Local;
    Local.nameLength = 3;
    WriteRecord(S, Local);
    EXPECT_EQ(S.Size(), 22 + 30);

    S.SetPosition(0);
    TKSZipCentralDirEnd E2;
    ReadRecord(S, E2);
    EXPECT_TRUE(E2 == End);
    TKSZipFileHeader L2;
    ReadRecord(S, L2);
    EXPECT_TRUE(L2 == Local);

    // 29 bytes cannot make a local header: the stream's read error, the record unchanged.
    S.SetPosition(23);
    TKSZipFileHeader L3;
    L3.crc32 = 0xABCD;
    EXPECT_THROW(ReadRecord(S, L3), EReadError);
    EXPECT_EQ(L3.crc32, 0xABCDu);
}

// ---- small helpers ----------------------------------------------------------------------------

TEST(NameBytes, EndAtTheFirstZero) {
    const Bytes Name{'a', '/', 'b', 0, 'c'};
    EXPECT_EQ(KSNameBytesUntilZero(Name).size(), 3u);
    EXPECT_EQ(KSNameBytesUntilZero(Bytes{0, 'x'}).size(), 0u);
    EXPECT_EQ(KSNameBytesUntilZero(Bytes{'x', 'y'}).size(), 2u);
    EXPECT_EQ(KSNameBytesUntilZero({}).size(), 0u);
}

TEST(ByteReader, NeverReadsPastItsSpan) {
    const Bytes Data{1, 2, 3, 4, 5, 6, 7};
    TKSByteReader R(Data);
    uint32_t a = 0;
    ASSERT_TRUE(R.Read(a));
    EXPECT_EQ(a, 0x04030201u);
    uint32_t b = 0xFFFF;
    EXPECT_FALSE(R.Read(b)); // 3 bytes left
    EXPECT_EQ(b, 0xFFFFu);
    EXPECT_EQ(R.Position(), 4u);
    uint16_t c = 0;
    ASSERT_TRUE(R.Read(c));
    EXPECT_EQ(c, 0x0605);
    std::span<const uint8_t> v;
    EXPECT_FALSE(R.ReadBytes(2, v));
    ASSERT_TRUE(R.ReadBytes(1, v));
    EXPECT_EQ(v[0], 7);
    EXPECT_EQ(R.Remaining(), 0u);
    EXPECT_FALSE(R.Skip(1));
    EXPECT_FALSE(R.Seek(8));
    EXPECT_TRUE(R.Seek(7));
    EXPECT_TRUE(R.Seek(0));
    uint64_t d = 0;
    EXPECT_FALSE(R.Read(d)); // 7 bytes: one short of 8
    EXPECT_FALSE(R.Skip(SIZE_MAX));
}

// ---- records written by peer tools ------------------------------------------------------------

struct CentralEntry {
    TKSZipCentralDir cd;
    std::string name;
    std::vector<TKSExtraFieldDataBlock> extra;
    TKSZip64ExtendedInfo zip64;
    TKSString unicodeName;
    bool hasAes = false;
    TKSAesExtraField aes;
};

struct ParsedArchive {
    TKSZipCentralDirEnd end;
    uint64_t endPos = 0;
    bool zip64 = false;
    TKSZip64CentralDirEndLocator locator;
    TKSZip64CentralDirEnd zip64End;
    Bytes comment;
    std::vector<CentralEntry> entries;
};

// A straightforward reader over the records: the end record nearest the end whose comment length
// matches, Zip64 records before it, then the central headers just before those.
ParsedArchive Parse(const Bytes& A) {
    ParsedArchive P;
    bool found = false;
    for (size_t k = A.size() >= 22 ? A.size() - 22 + 1 : 0; k-- > 0;) {
        TKSZipCentralDirEnd E;
        if (!HasSignature(std::span<const uint8_t>(A).subspan(k), ZipCentralDirEndSignature))
            continue;
        if (!DecodeRecord(std::span<const uint8_t>(A).subspan(k), E) || A.size() - k - 22 != E.commentLength)
            continue;
        P.end = E;
        P.endPos = k;
        P.comment.assign(A.begin() + static_cast<std::ptrdiff_t>(k + 22), A.end());
        found = true;
        break;
    }
    EXPECT_TRUE(found);
    uint64_t p = P.endPos;
    if (p >= 20 &&
        HasSignature(std::span<const uint8_t>(A).subspan(p - 20), Zip64CentralDirEndLocatorSignature)) {
        EXPECT_TRUE(DecodeRecord(std::span<const uint8_t>(A).subspan(p - 20), P.locator));
        EXPECT_TRUE(
            DecodeRecord(std::span<const uint8_t>(A).subspan(P.locator.offsetStartDirEnd), P.zip64End));
        EXPECT_EQ(P.zip64End.signature, Zip64CentralDirEndSignature);
        P.zip64 = true;
        p = P.locator.offsetStartDirEnd;
    }
    const uint64_t count = P.zip64 ? P.zip64End.entriesCentralDir : P.end.entriesCentralDir;
    const uint64_t dirSize = P.zip64 ? P.zip64End.centralDirSize : P.end.centralDirSize;
    TKSByteReader R(A);
    EXPECT_TRUE(R.Seek(p - dirSize));
    for (uint64_t i = 0; i < count; ++i) {
        CentralEntry e;
        std::span<const uint8_t> fixed, name, extra, comment;
        EXPECT_TRUE(R.ReadBytes(46, fixed));
        EXPECT_TRUE(DecodeRecord(fixed, e.cd));
        EXPECT_EQ(e.cd.signature, ZipCentralDirSignature);
        EXPECT_TRUE(R.ReadBytes(e.cd.nameLength, name));
        EXPECT_TRUE(R.ReadBytes(e.cd.extraLength, extra));
        EXPECT_TRUE(R.ReadBytes(e.cd.commentLength, comment));
        e.name.assign(name.begin(), name.end());
        e.extra = SplitExtraFields(extra);
        for (const auto& b : e.extra) {
            if (b.headerID == Zip64ExtraFieldHeaderID)
                ReadZip64ExtendedInfo(b.pData, Zip64PresenceOf(e.cd), e.zip64);
            if (b.headerID == UnicodeExtraFieldHeaderID) {
                TUnicodeExtendedInfo U;
                if (U.Load(b.pData))
                    e.unicodeName = U.Name();
            }
            if (b.headerID == AesExtraFieldHeaderID)
                e.hasAes = DecodeAesExtraField(b.pData, e.aes);
        }
        P.entries.push_back(std::move(e));
    }
    return P;
}

Bytes Fixture(const char* Name) {
    return test::ReadFileBytes(std::filesystem::path(KS_FIXTURES_DIR) / Name);
}

TEST(PeerRecords, ForcedZip64) {
    const Bytes A = Fixture("zip_zip64.zip");
    const ParsedArchive P = Parse(A);
    ASSERT_TRUE(P.zip64);
    EXPECT_EQ(P.zip64End.entriesCentralDir, 3u);
    EXPECT_EQ(P.zip64End.centralDirEndSize, 44u);
    ASSERT_EQ(P.entries.size(), 3u);
    EXPECT_EQ(P.entries[0].name, "hello.txt");
    // The real sizes come from the Zip64 field wherever the 32-bit fields hold the marker.
    const uint64_t sizes[] = {16, 11000, 7};
    for (size_t i = 0; i < 3; ++i) {
        const auto& e = P.entries[i];
        EXPECT_EQ(e.cd.unCompSize, KSZip64Marker32) << e.name;
        EXPECT_EQ(e.zip64.uncompSize, sizes[i]) << e.name;
        // Each local header lies where the (possibly Zip64) offset says.
        const uint64_t off = e.cd.relOffsetLH == KSZip64Marker32 ? e.zip64.relOffsetLH : e.cd.relOffsetLH;
        TKSZipFileHeader L;
        ASSERT_TRUE(DecodeRecord(std::span<const uint8_t>(A).subspan(off), L));
        EXPECT_EQ(L.signature, ZipFileHeaderSignature);
        EXPECT_EQ(L.crc32, e.cd.crc32);
    }
}

TEST(PeerRecords, AesFieldFrom7Zip) {
    const ParsedArchive P = Parse(Fixture("7z_aes256.zip"));
    ASSERT_EQ(P.entries.size(), 3u);
    for (const auto& e : P.entries) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(e.cd.compMethod, ZIP_AES);
        EXPECT_TRUE(e.cd.genPurposeFlag & KSFlagEncrypted);
        EXPECT_LT(e.cd.extractVersion, KSAesExtractVersionLimit);
        ASSERT_TRUE(e.hasAes);
        EXPECT_EQ(e.aes.strength, 3);
        EXPECT_EQ(e.aes.vendorID, 0x4541);
        EXPECT_TRUE(e.aes.compressionMethod == ZIP_None || e.aes.compressionMethod == ZIP_ZLIB);
    }
    // lines.txt is compressible: deflated under the encryption.
    EXPECT_EQ(P.entries[1].name, "lines.txt");
    EXPECT_EQ(P.entries[1].aes.compressionMethod, ZIP_ZLIB);
}

TEST(PeerRecords, TraditionalEncryptionFromInfoZip) {
    const ParsedArchive P = Parse(Fixture("zip_traditional.zip"));
    ASSERT_EQ(P.entries.size(), 2u);
    for (const auto& e : P.entries)
        EXPECT_TRUE(e.cd.genPurposeFlag & KSFlagEncrypted) << e.name;
    // A stored encrypted entry carries the 12-byte encryption header in its compressed size.
    EXPECT_EQ(P.entries[0].name, "hello.txt");
    EXPECT_EQ(P.entries[0].cd.compMethod, ZIP_None);
    EXPECT_EQ(P.entries[0].cd.unCompSize, 16u);
    EXPECT_EQ(P.entries[0].cd.compSize, 28u);
    EXPECT_EQ(P.entries[1].cd.compMethod, ZIP_ZLIB);
    EXPECT_EQ(P.entries[1].cd.unCompSize, 11000u);
}

TEST(PeerRecords, CommentDirectoriesAndSplitSet) {
    const ParsedArchive P = Parse(Fixture("zip_plain.zip"));
    EXPECT_EQ(std::string(P.comment.begin(), P.comment.end()), "archive comment");
    EXPECT_EQ(P.end.commentLength, 15);
    ASSERT_EQ(P.entries.size(), 4u);
    EXPECT_EQ(P.entries[1].name, "dir/");
    EXPECT_TRUE(P.entries[1].cd.externalAttr & 0x10);
    EXPECT_FALSE(P.entries[0].cd.externalAttr & 0x10);

    // The last volume of a split set names itself disk 1 and the directory's start disk.
    const Bytes Last = Fixture("zip_split.zip");
    TKSZipCentralDirEnd E;
    ASSERT_TRUE(DecodeRecord(std::span<const uint8_t>(Last).subspan(Last.size() - 22), E));
    EXPECT_EQ(E.signature, ZipCentralDirEndSignature);
    EXPECT_EQ(E.diskNumber, 1);
    EXPECT_EQ(E.entriesCentralDir, 2);
    EXPECT_EQ(Fixture("zip_split.z01").size(), 65536u);
}

TEST(PeerRecords, Utf8NamesFromPython) {
    const ParsedArchive P = Parse(Fixture("py_utf8.zip"));
    ASSERT_EQ(P.entries.size(), 2u);
    EXPECT_EQ(P.entries[0].name, "t\xC3\xBCk\xC3\xB6rf\xC3\xBAr\xC3\xB3g\xC3\xA9p.txt");
    EXPECT_TRUE(P.entries[0].cd.genPurposeFlag & KSFlagUtf8Names);
    EXPECT_EQ(P.entries[0].cd.compMethod, ZIP_None);
    EXPECT_EQ(P.entries[1].cd.compMethod, ZIP_ZLIB);
    EXPECT_EQ(P.entries[1].cd.lastModDate, (45 << 9) | (1 << 5) | 15); // 2025-01-15
    EXPECT_EQ(P.entries[1].cd.lastModTime, 12 << 11);                  // 12:00:00
}

// ---- records written by the test writer -------------------------------------------------------

TEST(WriterRecords, UnicodeZip64AndAesFieldsReadBack) {
    test::ZipWriter W;
    test::EntryOptions Big;
    Big.zip64 = true;
    Big.unicodeName = u"\u0151.txt";
    W.AddFile("o.txt", "zip64 entry", Big);
    test::EntryOptions Aes;
    Aes.aes = test::AesOptions{1, 1};
    Aes.transform = [](const test::EntryInfo&, std::span<const uint8_t> c) {
        return Bytes(c.begin(), c.end());
    };
    W.AddFile("aes.bin", "aes entry", Aes);
    const Bytes A = W.Finish();
    const ParsedArchive P = Parse(A);
    ASSERT_EQ(P.entries.size(), 2u);
    const auto& z = P.entries[0];
    EXPECT_EQ(z.cd.unCompSize, KSZip64Marker32);
    EXPECT_EQ(z.zip64.uncompSize, 11u);
    EXPECT_EQ(z.zip64.relOffsetLH, 0u);
    EXPECT_EQ(z.unicodeName, u"\u0151.txt");
    const auto& a = P.entries[1];
    EXPECT_EQ(a.cd.compMethod, ZIP_AES);
    ASSERT_TRUE(a.hasAes);
    EXPECT_EQ(a.aes.strength, 1);
    EXPECT_EQ(a.aes.version, 1);
    EXPECT_EQ(a.aes.compressionMethod, ZIP_ZLIB);
    EXPECT_NE(a.cd.crc32, 0u); // AE-1 keeps the CRC
    ASSERT_TRUE(P.zip64);
}

} // namespace
} // namespace ks
