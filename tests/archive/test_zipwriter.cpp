// The test ZIP writer checked against peer readers (Python's zipfile, Info-ZIP unzip), so that
// every engine test built on it starts from archives that other tools accept, and its damage
// helpers checked against the layout they report.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "archive/ZipRecords.h"
#include "tests/support/ZipWriter.h"

namespace ks::test {
namespace {

bool HaveTool(const char* Probe) {
    return std::system(Probe) == 0;
}

// Lists every entry as "name|size|crc" with Python's zipfile (which also checks each CRC).
std::string ListWithPython(const TempDir& Dir, const std::filesystem::path& Zip,
                           const std::string& Password) {
    const auto Script = Dir.Write("list.py", ToBytes(R"(import sys, zipfile, zlib
z = zipfile.ZipFile(sys.argv[1])
pwd = sys.argv[2].encode() if len(sys.argv) > 2 else None
with open(sys.argv[1] + ".txt", "w") as out:
    for i in z.infolist():
        data = z.read(i, pwd=pwd)
        out.write("%s|%d|%08x\n" % (i.filename, len(data), zlib.crc32(data)))
)"));
    std::string Cmd = "python3 '" + Script.string() + "' '" + Zip.string() + "'";
    if (!Password.empty())
        Cmd += " '" + Password + "'";
    if (std::system((Cmd + " 2>/dev/null").c_str()) != 0)
        return "python failed";
    std::ifstream In(Zip.string() + ".txt");
    std::stringstream S;
    S << In.rdbuf();
    return S.str();
}

std::string Line(const std::string& Name, const Bytes& Data) {
    char Crc[16];
    std::snprintf(Crc, sizeof Crc, "%08x", Crc32(Data));
    return Name + "|" + std::to_string(Data.size()) + "|" + Crc + "\n";
}

struct WriterCase {
    const char* label;
    std::function<void(ZipWriter&)> build;
    FinishOptions finish;
    const char* password; // "" for none
    bool unzipToo;        // Info-ZIP unzip -t must accept it as well
};

const Bytes kText = ToBytes(std::string(3000, 'k') + "tail");
const Bytes kNoise = NoiseBytes(5000, 7);

std::string ExpectedBasic() {
    return Line("stored.txt", kText) + Line("deflated.txt", kText) + Line("dir/", {}) +
           Line("noise.bin", kNoise);
}

void AddBasic(ZipWriter& W, EntryOptions O) {
    EntryOptions S = O;
    S.method = ZIP_None;
    W.AddFile("stored.txt", kText, S);
    W.AddFile("deflated.txt", kText, O);
    W.AddDirectory("dir", O);
    W.AddFile("noise.bin", kNoise, O);
}

const WriterCase kWriterCases[] = {
    {"Plain",
     [](ZipWriter& W) {
         EntryOptions O;
         O.comment = ToBytes("item comment");
         AddBasic(W, O);
         W.SetComment("archive comment");
     },
     {},
     "",
     true},
    {"DataDescriptors", [](ZipWriter& W) { AddBasic(W, {.dataDescriptor = true}); }, {}, "", true},
    {"Zip64", [](ZipWriter& W) { AddBasic(W, {.zip64 = true}); }, {.zip64 = true}, "", true},
    {"Zip64EndOnly", [](ZipWriter& W) { AddBasic(W, {}); }, {.zip64 = true}, "", true},
    {"UnicodeAndExtraFields",
     [](ZipWriter& W) {
         AddBasic(W, {.unicodeName = u"\u0151.txt", .extra = {0xCD, 0xAB, 0x02, 0x00, 0x01, 0x02}});
     },
     {},
     "",
     true},
    {"StubOffsetsFromFileStart",
     [](ZipWriter& W) {
         W.SetStub(NoiseBytes(4000, 3));
         AddBasic(W, {});
     },
     {},
     "",
     false},
    {"StubOffsetsFromArchiveStart",
     [](ZipWriter& W) {
         W.SetStub(NoiseBytes(4000, 3));
         AddBasic(W, {});
     },
     {.offsetsFromArchiveStart = true},
     "",
     false},
    {"ZipCrypto", [](ZipWriter& W) { AddBasic(W, {.password = "secret"}); }, {}, "secret", true},
    {"ZipCryptoWithDescriptors",
     [](ZipWriter& W) { AddBasic(W, {.dataDescriptor = true, .password = "pw"}); },
     {},
     "pw",
     true},
};

class WriterPeerTest : public ::testing::TestWithParam<WriterCase> {};

TEST_P(WriterPeerTest, PeersReadEveryEntry) {
    if (!HaveTool("python3 -c 'import zipfile' >/dev/null 2>&1"))
        GTEST_SKIP() << "python3 is not installed";
    const WriterCase& c = GetParam();
    ZipWriter W;
    c.build(W);
    const Bytes A = W.Finish(c.finish);
    TempDir Dir;
    const auto Zip = Dir.Write("case.zip", A);
    EXPECT_EQ(ListWithPython(Dir, Zip, c.password), ExpectedBasic());
    if (c.unzipToo && HaveTool("unzip -v >/dev/null 2>&1")) {
        std::string Cmd = "unzip -tqq ";
        if (*c.password)
            Cmd += std::string("-P ") + c.password + " ";
        EXPECT_EQ(std::system((Cmd + "'" + Zip.string() + "' >/dev/null 2>&1").c_str()), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Configurations, WriterPeerTest, ::testing::ValuesIn(kWriterCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(WriterPeer, ManyEntriesSwitchToZip64Counts) {
    if (!HaveTool("unzip -v >/dev/null 2>&1"))
        GTEST_SKIP() << "unzip is not installed";
    ZipWriter W;
    const size_t Count = 70000; // more than a 16-bit count holds
    for (size_t i = 0; i < Count; ++i) {
        const std::string Name = "f" + std::to_string(i);
        W.AddFile(Name, Name, {.method = ZIP_None});
    }
    const Bytes A = W.Finish();
    EXPECT_NE(W.Layout().zip64EndOffset, 0u);
    TKSZipCentralDirEnd End;
    ASSERT_TRUE(DecodeRecord(std::span<const uint8_t>(A).subspan(W.Layout().endOffset), End));
    EXPECT_EQ(End.entriesCentralDir, KSZip64Marker16);
    TKSZip64CentralDirEnd End64;
    ASSERT_TRUE(DecodeRecord(std::span<const uint8_t>(A).subspan(W.Layout().zip64EndOffset), End64));
    EXPECT_EQ(End64.entriesCentralDir, Count);

    // Info-ZIP lists every name in order and accepts every CRC.
    TempDir Dir;
    const auto Zip = Dir.Write("many.zip", A);
    const auto Names = Dir.Path() / "names.txt";
    ASSERT_EQ(
        std::system(("unzip -Z1 '" + Zip.string() + "' > '" + Names.string() + "' 2>/dev/null").c_str()), 0);
    std::ifstream In(Names);
    size_t n = 0;
    for (std::string L; std::getline(In, L); ++n)
        if (L != "f" + std::to_string(n)) {
            ADD_FAILURE() << "entry " << n << " listed as " << L;
            break;
        }
    EXPECT_EQ(n, Count);
    EXPECT_EQ(std::system(("unzip -tqq '" + Zip.string() + "' >/dev/null 2>&1").c_str()), 0);
}

// ---- layout and damage ------------------------------------------------------------------------

TEST(WriterLayout, ReportsWhereRecordsLanded) {
    ZipWriter W;
    W.SetStub(Bytes(100, 0xEE));
    W.AddFile("a.txt", "alpha", {.method = ZIP_None, .dataDescriptor = true});
    W.AddFile("b.txt", "beta", {.method = ZIP_None});
    W.SetComment("c");
    const Bytes A = W.Finish();
    const ArchiveLayout& L = W.Layout();
    ASSERT_EQ(L.entries.size(), 2u);
    EXPECT_EQ(L.stubSize, 100u);
    EXPECT_EQ(L.entries[0].localOffset, 100u);
    EXPECT_EQ(L.entries[0].dataOffset, 100u + 30 + 5);
    EXPECT_EQ(L.entries[0].descriptorOffset, 100u + 30 + 5 + 5);
    EXPECT_EQ(L.entries[1].localOffset, 100u + 30 + 5 + 5 + 16);
    EXPECT_TRUE(HasSignature(std::span<const uint8_t>(A).subspan(L.entries[0].descriptorOffset),
                             ZipDataDescriptorSignature));
    for (const auto& e : L.entries) {
        EXPECT_TRUE(HasSignature(std::span<const uint8_t>(A).subspan(e.localOffset), ZipFileHeaderSignature));
        EXPECT_TRUE(
            HasSignature(std::span<const uint8_t>(A).subspan(e.centralOffset), ZipCentralDirSignature));
    }
    EXPECT_EQ(L.centralDirOffset, L.entries[0].centralOffset);
    EXPECT_EQ(L.endOffset, L.centralDirOffset + L.centralDirSize);
    EXPECT_EQ(A.size(), L.endOffset + 22 + 1);

    // With a descriptor the local header holds zeros and the descriptor the real values.
    TKSZipFileHeader Local;
    ASSERT_TRUE(DecodeRecord(std::span<const uint8_t>(A).subspan(L.entries[0].localOffset), Local));
    EXPECT_EQ(Local.crc32, 0u);
    EXPECT_EQ(Local.compSize, 0u);
    EXPECT_TRUE(Local.genPurposeFlag & KSFlagDataDescriptor);
    TKSZipDataDescriptor D;
    ASSERT_TRUE(DecodeRecord(std::span<const uint8_t>(A).subspan(L.entries[0].descriptorOffset), D));
    EXPECT_EQ(D.crc32, Crc32(ToBytes("alpha")));
    EXPECT_EQ(D.compressedSize, 5u);
    // Offsets count from the file's start by default.
    TKSZipCentralDir C;
    ASSERT_TRUE(DecodeRecord(std::span<const uint8_t>(A).subspan(L.entries[1].centralOffset), C));
    EXPECT_EQ(C.relOffsetLH, L.entries[1].localOffset);
}

TEST(WriterDamage, HelpersChangeWhatTheySay) {
    ZipWriter W;
    W.AddFile("a.txt", "alpha");
    W.AddFile("b.txt", "beta");
    const Bytes A = W.Finish();
    const ArchiveLayout L = W.Layout();

    EXPECT_EQ(CutEndRecord(A, L).size(), L.endOffset);
    EXPECT_EQ(CutTail(A, 5).size(), A.size() - 5);
    EXPECT_TRUE(CutTail(A, A.size() + 1).empty());
    const Bytes Trailing = AppendTrailing(A, 10, 0x55);
    EXPECT_EQ(Trailing.size(), A.size() + 10);
    EXPECT_EQ(Trailing.back(), 0x55);

    const Bytes Zeroed = ZeroCentralDirectory(A, L);
    for (size_t i = 0; i < A.size(); ++i) {
        const bool Inside = i >= L.centralDirOffset && i < L.centralDirOffset + L.centralDirSize;
        EXPECT_EQ(Zeroed[i], Inside ? 0 : A[i]) << i;
    }

    Bytes P = A;
    PatchCentralHeader(P, L, 1, [](TKSZipCentralDir& c) { c.compSize = 0x01020304; });
    size_t Changed = 0;
    for (size_t i = 0; i < A.size(); ++i)
        Changed += P[i] != A[i];
    EXPECT_EQ(Changed, 4u);
    EXPECT_EQ(P[L.entries[1].centralOffset + 20], 0x04);
    EXPECT_EQ(P[L.entries[1].centralOffset + 23], 0x01);

    Bytes Q = A;
    PatchLocalHeader(Q, L, 0, [](TKSZipFileHeader& h) { h.nameLength = 0xFFFF; });
    EXPECT_EQ(Q[L.entries[0].localOffset + 26], 0xFF);
    EXPECT_EQ(Q[L.entries[0].localOffset + 27], 0xFF);
    PatchEndRecord(Q, L, [](TKSZipCentralDirEnd& e) { e.entriesCentralDir = 0xFFFF; });
    EXPECT_EQ(Q[L.endOffset + 10], 0xFF);
    EXPECT_EQ(Q[L.endOffset + 8], A[L.endOffset + 8]); // entriesOnDisk untouched

    EXPECT_THROW(PatchLE32(Q, Q.size() - 3, 1), std::out_of_range);
}

TEST(WriterOptions, WrongValuesAndOverrides) {
    ZipWriter W;
    W.AddFile("a.txt", "alpha",
              {.method = ZIP_None, .versionMadeBy = 0x031E, .crc32 = 0xBAD, .unCompSize = 99});
    const Bytes A = W.Finish({.entriesOverride = 7});
    const ArchiveLayout& L = W.Layout();
    TKSZipCentralDir C;
    ASSERT_TRUE(DecodeRecord(std::span<const uint8_t>(A).subspan(L.entries[0].centralOffset), C));
    EXPECT_EQ(C.crc32, 0xBADu);
    EXPECT_EQ(C.unCompSize, 99u);
    EXPECT_EQ(C.compSize, 5u);
    EXPECT_EQ(C.versionMadeBy, 0x031E);
    TKSZipCentralDirEnd E;
    ASSERT_TRUE(DecodeRecord(std::span<const uint8_t>(A).subspan(L.endOffset), E));
    EXPECT_EQ(E.entriesCentralDir, 7);
    EXPECT_EQ(E.entriesOnDisk, 7);
}

TEST(ZipCryptoCipher, KnownHeaderRoundTripsThroughUnzip) {
    // The check byte is the last of the 12 header bytes; unzip verifies it with the password.
    if (!HaveTool("unzip -v >/dev/null 2>&1"))
        GTEST_SKIP() << "unzip is not installed";
    ZipWriter W;
    W.AddFile("x.txt", "payload", {.method = ZIP_None, .password = "right"});
    TempDir Dir;
    const auto Zip = Dir.Write("c.zip", W.Finish());
    EXPECT_EQ(std::system(("unzip -tqq -P right '" + Zip.string() + "' >/dev/null 2>&1").c_str()), 0);
    EXPECT_NE(std::system(("unzip -tqq -P wrong '" + Zip.string() + "' >/dev/null 2>&1").c_str()), 0);
}

TEST(TempDirHelper, RemovesItsFolderEvenWithReadOnlyContent) {
    std::filesystem::path Kept;
    {
        TempDir D;
        Kept = D.Path();
        const auto F = D.Write("sub/dir/file.bin", Bytes{1, 2, 3});
        EXPECT_EQ(ReadFileBytes(F), (Bytes{1, 2, 3}));
        std::filesystem::permissions(F.parent_path(),
                                     std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    }
    EXPECT_FALSE(std::filesystem::exists(Kept));
}

} // namespace
} // namespace ks::test
