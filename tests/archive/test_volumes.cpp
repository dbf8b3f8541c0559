// Split sets written by Info-ZIP (zip -s 64k), their renamed variants, volume requests and the
// creation of a new split set.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "archive/KSDirManager.h"
#include "archive/KSExcept.h"
#include "archive/KSVolumeNumberInfo.h"
#include "archive/Kestrel.h"
#include "platform/KSFiles.h"
#include "platform/KSStreams.h"
#include "tests/support/ZipWriter.h"

namespace fs = std::filesystem;
using namespace ks;
using ks::test::Bytes;
using ks::test::TempDir;

namespace {

const fs::path Volumes = fs::path(KS_FIXTURES_DIR) / "volumes";

// Copies fixture files into Dir under new names (pairs of fixture name, copy name).
void CopyAs(const TempDir& Dir, const std::vector<std::pair<const char*, const char*>>& Files) {
    for (const auto& [From, To] : Files)
        fs::copy_file(Volumes / From, Dir.Path() / To);
}

// Number of items, and what extracting them all left in Out (name -> size).
struct Outcome {
    int Items = 0;
    std::vector<std::pair<std::string, uintmax_t>> Files;
};

Outcome ExtractAll(TKestrel& K, const fs::path& Out) {
    Outcome R;
    K.SetBaseDir(Out.u16string());
    K.OpenArchive();
    R.Items = K.DMHandle->CDir.Count();
    K.ExtractFiles(u"*.*", 10431, u"");
    K.CloseArchive();
    for (const auto& E : fs::recursive_directory_iterator(Out))
        if (E.is_regular_file())
            R.Files.emplace_back(fs::relative(E.path(), Out).generic_string(), E.file_size());
    std::sort(R.Files.begin(), R.Files.end());
    return R;
}

int NativeErrorOf(const std::function<void()>& F) {
    try {
        F();
    } catch (const EKSException& E) {
        return E.NativeError;
    }
    return -1;
}

struct SetCase {
    const char* Title;
    std::vector<std::pair<const char*, const char*>> Files;
    const char* Open;
    int Items;
};

class SplitSets : public ::testing::TestWithParam<SetCase> {};

// Every item extracts and passes its CRC-32 check (a failed item leaves no file), including
// noise.bin, whose data crosses from the first volume into the second.
TEST_P(SplitSets, ExtractWhole) {
    const SetCase& C = GetParam();
    TempDir D;
    CopyAs(D, C.Files);
    TKestrel K;
    K.SetFileName((D.Path() / C.Open).u16string());
    const Outcome R = ExtractAll(K, D.Path() / "out");
    EXPECT_EQ(R.Items, C.Items) << C.Title;
    ASSERT_EQ(R.Files.size(), static_cast<size_t>(C.Items)) << C.Title;
    for (const auto& [Name, Size] : R.Files) {
        if (Name == "noise.bin") {
            EXPECT_EQ(Size, 70000u);
        } else if (Name == "noise2.bin") {
            EXPECT_EQ(Size, 60000u);
        } else if (Name == "hello.txt") {
            EXPECT_EQ(test::ReadFileBytes(D.Path() / "out" / Name), test::ToBytes("Hello, Kestrel!\n"));
        } else {
            // files/entry-NNNN-... and dir/item-NNNN-... hold "item N\n".
            const size_t Dash = Name.find('-');
            ASSERT_NE(Dash, std::string::npos) << Name;
            const int N = std::stoi(Name.substr(Dash + 1, 4));
            EXPECT_EQ(test::ReadFileBytes(D.Path() / "out" / Name),
                      test::ToBytes("item " + std::to_string(N) + "\n"))
                << Name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    InfoZip, SplitSets,
    ::testing::Values(
        SetCase{"two volumes as written", {{"span2.z01", "x.z01"}, {"span2.zip", "x.zip"}}, "x.zip", 2},
        SetCase{"two volumes, described case", {{"span2.z01", "x.Z01"}, {"span2.zip", "x.zip"}}, "x.zip", 2},
        SetCase{"three volumes",
                {{"span3.z01", "x.z01"}, {"span3.z02", "x.z02"}, {"span3.zip", "x.zip"}},
                "x.zip",
                303},
        SetCase{"three volumes, numbered names",
                {{"span3.z01", "x_001.zip"}, {"span3.z02", "x_002.zip"}, {"span3.zip", "x.zip"}},
                "x.zip",
                303},
        // The central directory starts on x.z01 behind the local headers and ends on x.zip.
        SetCase{
            "directory across two volumes", {{"cdspan.z01", "x.z01"}, {"cdspan.zip", "x.zip"}}, "x.zip", 401},
        SetCase{"self-extracting split set",
                {{"sfx_split.exe", "x.exe"}, {"sfx_split.ZIP", "x.ZIP"}},
                "x.exe",
                2},
        SetCase{"unzipsfx stub, offsets adjusted", {{"unzipsfx_hello.exe", "x.exe"}}, "x.exe", 2}),
    [](const ::testing::TestParamInfo<SetCase>& Info) { return "Case" + std::to_string(Info.index); });

// The unzipsfx fixture as plain concatenation (cat unzipsfx archive.zip) leaves it, before zip -A
// raised the offsets by the stub's size: the offsets count from the archive's own start.
TEST(SplitSets, UnzipsfxStubWithOffsetsNotAdjusted) {
    Bytes Exe = test::ReadFileBytes(Volumes / "unzipsfx_hello.exe");
    const auto LE16 = [&](size_t At) { return static_cast<uint32_t>(Exe[At] | Exe[At + 1] << 8); };
    const auto LE32 = [&](size_t At) { return LE16(At) | LE16(At + 2) << 16; };
    const size_t End = Exe.size() - 22; // no archive comment
    ASSERT_EQ(LE32(End), 0x06054B50u);
    const uint32_t Count = LE16(End + 10), DirStart = LE32(End + 16);
    // The first item sits right behind the stub, so the smallest offset is the stub's size.
    uint32_t Stub = UINT32_MAX;
    for (size_t At = DirStart, i = 0; i < Count; ++i) {
        ASSERT_EQ(LE32(At), 0x02014B50u);
        Stub = std::min(Stub, LE32(At + 42));
        At += 46 + LE16(At + 28) + LE16(At + 30) + LE16(At + 32);
    }
    ASSERT_GT(Stub, 0u);
    for (size_t At = DirStart, i = 0; i < Count; ++i) {
        test::PatchLE32(Exe, At + 42, LE32(At + 42) - Stub);
        At += 46 + LE16(At + 28) + LE16(At + 30) + LE16(At + 32);
    }
    test::PatchLE32(Exe, End + 16, DirStart - Stub);

    TempDir D;
    test::WriteFileBytes(D.Path() / "x.exe", Exe);
    TKestrel K;
    K.SetFileName((D.Path() / "x.exe").u16string());
    const Outcome R = ExtractAll(K, D.Path() / "out");
    EXPECT_EQ(R.Items, 2);
    EXPECT_EQ(R.Files,
              (std::vector<std::pair<std::string, uintmax_t>>{{"hello.txt", 16}, {"noise.bin", 70000}}));
}

TEST(SplitSets, MissingFirstVolumeWithoutHandlerIsNative45) {
    TempDir D;
    CopyAs(D, {{"span2.z01", "x.z01"}, {"span2.zip", "x.zip"}});
    TKestrel K;
    K.SetFileName((D.Path() / "x.zip").u16string());
    K.OpenArchive();
    EXPECT_EQ(K.SpanningMode(), smSplitting);
    fs::remove(D.Path() / "x.z01");
    TMemoryStream Sink;
    EXPECT_EQ(NativeErrorOf([&] { K.ExtractItem(0, &Sink); }), 45); // noise.bin, on the first volume
}

TEST(SplitSets, MissingMiddleVolumeWithoutHandlerIsNative45) {
    TempDir D;
    CopyAs(D, {{"span3.z01", "x.z01"}, {"span3.z02", "x.z02"}, {"span3.zip", "x.zip"}});
    TKestrel K;
    K.SetFileName((D.Path() / "x.zip").u16string());
    K.OpenArchive(); // the volume before the last one must be there for the set to count as split
    EXPECT_EQ(K.SpanningMode(), smSplitting);
    fs::remove(D.Path() / "x.z02");
    // noise.bin starts on the first volume and continues on the missing second one.
    int32_t Noise = -1;
    for (int32_t i = 0; i < K.DMHandle->CDir.Count(); ++i)
        if (K.DMHandle->CDir.GetItemPtr(i)->Name == u"noise2.bin")
            Noise = i;
    ASSERT_GE(Noise, 0);
    TMemoryStream Sink;
    EXPECT_EQ(NativeErrorOf([&] { K.ExtractItem(Noise, &Sink); }), 45);
}

TEST(SplitSets, HandlerAnswersTheMiddleVolumeRequest) {
    TempDir D;
    CopyAs(D, {{"span3.z01", "x.z01"}, {"span3.z02", "x.z02"}, {"span3.zip", "x.zip"}});
    TKestrel K;
    std::vector<int32_t> Asked;
    K.FOnRequestMiddleVolume = [&](TComponent*, int32_t Number, TKSString& Name, bool& Cancel) {
        Asked.push_back(Number);
        Name = (D.Path() / "elsewhere.bin").u16string();
        Cancel = false;
    };
    K.SetFileName((D.Path() / "x.zip").u16string());
    K.OpenArchive();
    ASSERT_EQ(K.SpanningMode(), smSplitting);
    fs::rename(D.Path() / "x.z02", D.Path() / "elsewhere.bin");
    int32_t Noise = -1;
    for (int32_t i = 0; i < K.DMHandle->CDir.Count(); ++i)
        if (K.DMHandle->CDir.GetItemPtr(i)->Name == u"noise2.bin")
            Noise = i;
    ASSERT_GE(Noise, 0);
    TMemoryStream Sink;
    K.ExtractItem(Noise, &Sink); // raises native 8 unless the data from elsewhere.bin checks out
    EXPECT_EQ(Sink.Size(), 60000);
    ASSERT_FALSE(Asked.empty());
    EXPECT_EQ(Asked.front(), 2); // handlers count volumes from 1
}

// ---- creating ------------------------------------------------------------------------------------

struct CreateCase {
    const char* Title;
    int64_t Free;
    int Native; // -1: created
};

class CreateSplit : public ::testing::TestWithParam<CreateCase> {};

TEST_P(CreateSplit, FreeSpaceDecides) {
    const CreateCase& C = GetParam();
    TempDir D;
    KSDeclareFreeSpace(D.WidePath(), C.Free);
    TKestrel K;
    K.SetSpanningMode(smSplitting);
    int DiskFull = 0;
    K.FOnDiskFull = [&](TComponent*, int32_t, const TKSString&, bool& Cancel) {
        ++DiskFull;
        Cancel = true;
    };
    K.SetFileName((D.Path() / "x.zip").u16string());
    const int Native = NativeErrorOf([&] { K.OpenArchive(KSOpenModeCreate); });
    EXPECT_EQ(Native, C.Native) << C.Title;
    if (C.Native < 0) {
        EXPECT_EQ(DiskFull, 0);
        EXPECT_TRUE(fs::exists(D.Path() / "x.Z01"));
        K.CloseArchive();
        // The only volume holds the end record: it is the last one and takes the archive's name.
        EXPECT_FALSE(fs::exists(D.Path() / "x.Z01"));
        EXPECT_EQ(fs::file_size(D.Path() / "x.zip"), 22u);
    } else {
        EXPECT_EQ(DiskFull, 1);
        EXPECT_FALSE(K.Active());
    }
    KSWithdrawFreeSpace(D.WidePath());
}

INSTANTIATE_TEST_SUITE_P(Space, CreateSplit,
                         ::testing::Values(CreateCase{"exactly the minimum", 65536, 45},
                                           CreateCase{"one byte more", 65537, -1},
                                           CreateCase{"unknown", -1, 45}));

struct StubCase {
    const char* Title;
    TKSSpanningMode Mode;
    bool Removable; // the folder stands for a removable drive
    int64_t StubBytes;
    int Native; // -1: created
};

class CreateWithStub : public ::testing::TestWithParam<StubCase> {};

// A stub larger than the first volume's 65536-byte limit fails with native 47 before anything is
// asked for or written: no volume file appears, and a file already bearing the first volume's
// name keeps its bytes. One that fits is copied in front of the end record.
TEST_P(CreateWithStub, FirstVolumeLimitDecides) {
    const StubCase& C = GetParam();
    TempDir D;
    const fs::path Stub = D.Write("stub.bin", test::NoiseBytes(static_cast<size_t>(C.StubBytes), 3));
    KSDeclareFreeSpace(D.WidePath(), 1 << 30);
    if (C.Removable)
        KSDeclareRemovableFolder(D.WidePath());
    // The first volume's name: x.exe in a split set (the stub makes it self-extracting), x.exe on
    // a disk as well.
    const fs::path First = D.Path() / "x.exe";
    const Bytes Before = test::ToBytes("an unrelated file of the first volume's name");
    test::WriteFileBytes(First, Before);
    int Requests = 0;
    {
        TKestrel K;
        K.SetSpanningMode(C.Mode);
        K.SpanningOptions()->SetFirstVolumeSize(65536);
        K.FOnRequestBlankVolume = [&](TComponent*, int32_t, TKSString&, bool& Cancel) {
            ++Requests;
            Cancel = false;
        };
        K.SetSFXStub(Stub.u16string());
        K.SetFileName((D.Path() / "x.zip").u16string());
        EXPECT_EQ(NativeErrorOf([&] { K.OpenArchive(KSOpenModeCreate); }), C.Native) << C.Title;
        if (C.Native >= 0) {
            EXPECT_FALSE(K.Active());
            EXPECT_EQ(Requests, 0) << C.Title;
            EXPECT_EQ(test::ReadFileBytes(First), Before) << C.Title;
            EXPECT_FALSE(fs::exists(D.Path() / "x.zip")) << C.Title;
        } else {
            EXPECT_EQ(Requests, 1) << C.Title;
            EXPECT_EQ(K.DMHandle->StubSize, C.StubBytes) << C.Title;
        }
    }
    if (C.Native < 0) {
        // Closed: the stub, then the 22-byte end record of an empty archive.
        const fs::path Made = C.Mode == smSplitting ? D.Path() / "x.ZIP" : First;
        const Bytes Written = test::ReadFileBytes(Made);
        ASSERT_EQ(Written.size(), static_cast<size_t>(C.StubBytes) + 22) << C.Title;
        EXPECT_EQ(Bytes(Written.begin(), Written.begin() + C.StubBytes), test::ReadFileBytes(Stub))
            << C.Title;
        // The end record follows the stub: the archive opens again, empty, its stub measured.
        TKestrel Again;
        Again.SetFileName(Made.u16string());
        Again.OpenArchive(KSOpenModeReadOnly);
        EXPECT_EQ(Again.DMHandle->CDir.Count(), 0) << C.Title;
        EXPECT_EQ(Again.DMHandle->StubSize, C.StubBytes) << C.Title;
        Again.CloseArchive();
    }
    if (C.Removable)
        KSWithdrawRemovableFolder(D.WidePath());
    KSWithdrawFreeSpace(D.WidePath());
}

INSTANTIATE_TEST_SUITE_P(
    Stubs, CreateWithStub,
    ::testing::Values(StubCase{"split, too large", smSplitting, false, 70000, 47},
                      StubCase{"split, one byte too large", smSplitting, false, 65537, 47},
                      StubCase{"spanned, too large", smSpanning, true, 70000, 47},
                      StubCase{"split, exactly the limit", smSplitting, false, 65536, -1}),
    [](const ::testing::TestParamInfo<StubCase>& Info) { return "Case" + std::to_string(Info.index); });

} // namespace
