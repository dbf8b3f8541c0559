// Spanned sets on removable disks: a folder the platform declares removable stands for the drive,
// and a scripted prompt "inserts" a disk by putting that disk's volume into the folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "archive/KSDirManager.h"
#include "archive/KSExcept.h"
#include "archive/KSPrompts.h"
#include "archive/Kestrel.h"
#include "platform/KSFiles.h"
#include "platform/KSStreams.h"
#include "tests/support/ZipWriter.h"

namespace fs = std::filesystem;
using namespace ks;
using ks::test::TempDir;

namespace {

const fs::path Volumes = fs::path(KS_FIXTURES_DIR) / "volumes";
// span3 as three disks, each carrying the volume under the archive's own name.
const std::vector<const char*> Span3Disks = {"span3.z01", "span3.z02", "span3.zip"};

// Answers every box with OK after inserting the next scripted disk (-1: an empty drive).
class DiskChanger final : public TKSPrompts {
public:
    DiskChanger(fs::path Drive, std::vector<int> Inserts, std::vector<const char*> Disks = Span3Disks)
        : FDrive(std::move(Drive)), FInserts(std::move(Inserts)), FDisks(std::move(Disks)),
          FPrevious(KSSetPrompts(this)) {}
    ~DiskChanger() override { KSSetPrompts(FPrevious); }

    void Insert(int Disk) {
        fs::remove(FDrive / "x.zip");
        if (Disk >= 0)
            fs::copy_file(Volumes / FDisks.at(static_cast<size_t>(Disk)), FDrive / "x.zip");
    }
    TKSPromptButton ConfirmBox(TKSPromptKind, const AnsiString& Text, TKSPromptButtons) override {
        Texts.push_back(Text);
        // The disk in the drive is to be taken out: nothing may hold its volume open (an exclusive
        // open fails while any other open of the file lasts, as on Windows).
        if (fs::exists(FDrive / "x.zip")) {
            try {
                TKSFileStream Probe((FDrive / "x.zip").u16string(), fmOpenReadWrite | fmShareExclusive);
            } catch (const std::exception&) {
                HeldWhenAsked = true;
            }
        }
        if (FNext >= FInserts.size())
            return pbCancel;
        Insert(FInserts[FNext++]);
        return pbOK;
    }
    bool PasswordInputQuery(const AnsiString&, const AnsiString&, AnsiString&) override { return false; }

    std::vector<std::string> Texts;
    bool HeldWhenAsked = false;

private:
    fs::path FDrive;
    std::vector<int> FInserts;
    std::vector<const char*> FDisks;
    size_t FNext = 0;
    TKSPrompts* FPrevious;
};

int32_t ItemIndex(TKestrel& K, const TKSString& Name) {
    for (int32_t i = 0; i < K.DMHandle->CDir.Count(); ++i)
        if (K.DMHandle->CDir.GetItemPtr(i)->Name == Name)
            return i;
    return -1;
}

struct SpanCase {
    const char* Title;
    std::vector<int> Inserts; // disks inserted at the successive prompts
    bool Extracted;
    std::vector<std::string> Texts;
};

class Spanned : public ::testing::TestWithParam<SpanCase> {};

TEST_P(Spanned, DisksAreAskedFor) {
    const SpanCase& C = GetParam();
    TempDir Drive;
    KSDeclareRemovableFolder(Drive.WidePath());
    DiskChanger Changer(Drive.Path(), C.Inserts);
    Changer.Insert(2); // the last disk is in the drive when the archive is opened
    const TKSString Name = (Drive.Path() / "x.zip").u16string();
    {
        TKestrel K;
        K.SetFileName(Name);
        K.OpenArchive(KSOpenModeReadOnly);
        EXPECT_EQ(K.SpanningMode(), smSpanning);
        // noise.bin starts on disk 1 and continues on disk 2; hello.txt lies on the last disk.
        const int32_t Noise = ItemIndex(K, u"noise.bin"), Hello = ItemIndex(K, u"hello.txt");
        ASSERT_GE(Noise, 0);
        ASSERT_GE(Hello, 0);
        TMemoryStream Sink;
        int Native = 0;
        try {
            K.ExtractItem(Noise, &Sink);
            EXPECT_EQ(Sink.Size(), 70000) << C.Title;
            K.ExtractItem(Hello, &Sink);
            EXPECT_EQ(Sink.Size(), 70016) << C.Title;
        } catch (const EKSException& E) {
            Native = E.NativeError;
        }
        EXPECT_EQ(Native, C.Extracted ? 0 : 45) << C.Title;
    }
    std::vector<std::string> Expected = C.Texts;
    for (auto& T : Expected) {
        const auto At = T.find("%s");
        if (At != std::string::npos)
            T.replace(At, 2, KSWideToUtf8(Name));
    }
    EXPECT_EQ(Changer.Texts, Expected) << C.Title;
    EXPECT_FALSE(Changer.HeldWhenAsked) << C.Title;
    KSWithdrawRemovableFolder(Drive.WidePath());
}

INSTANTIATE_TEST_SUITE_P(
    Prompts, Spanned,
    ::testing::Values(
        SpanCase{"first disk, disk 2, then the last disk",
                 {0, 1, 2},
                 true,
                 {"Please insert the first disk", "Please insert disk #2", "Please insert the last disk"}},
        SpanCase{"an empty drive at the last-disk request",
                 {0, 1, -1, 2},
                 true,
                 {"Please insert the first disk", "Please insert disk #2", "Please insert the last disk",
                  "File '%s' not found on inserted disk. Please insert last disk with required file"}},
        // A middle disk missing from the drive is asked for again, by the same number.
        SpanCase{"an empty drive at the disk-2 request",
                 {0, -1, 1, 2},
                 true,
                 {"Please insert the first disk", "Please insert disk #2", "Please insert disk #2",
                  "Please insert the last disk"}},
        SpanCase{"cancelled", {}, false, {"Please insert the first disk"}}),
    [](const ::testing::TestParamInfo<SpanCase>& Info) { return "Case" + std::to_string(Info.index); });

// A directory that starts on the first disk and ends on the last: opening asks for the first disk
// (where the directory starts) and then for the last one (where it goes on); every item is
// there afterwards, and one from the first disk extracts after asking for that disk again.
TEST(Spanned, DirectoryAcrossTwoDisks) {
    TempDir Drive;
    KSDeclareRemovableFolder(Drive.WidePath());
    DiskChanger Changer(Drive.Path(), {0, 1, 0}, {"cdspan.z01", "cdspan.zip"});
    Changer.Insert(1);
    {
        TKestrel K;
        K.SetFileName((Drive.Path() / "x.zip").u16string());
        K.OpenArchive(KSOpenModeReadOnly);
        EXPECT_EQ(K.SpanningMode(), smSpanning);
        ASSERT_EQ(K.DMHandle->CDir.Count(), 401);
        EXPECT_EQ(K.DMHandle->CDir.GetItemPtr(400)->Name, u"hello.txt");
        const int32_t Item7 = ItemIndex(K, u"dir/item-0007-named-at-length-so-the-directory-grows-fast.txt");
        ASSERT_GE(Item7, 0);
        TMemoryStream Sink;
        K.ExtractItem(Item7, &Sink);
        ASSERT_EQ(Sink.Size(), 7);
        std::string Text(7, '\0');
        Sink.SetPosition(0);
        Sink.ReadBuffer(Text.data(), 7);
        EXPECT_EQ(Text, "item 7\n");
    }
    EXPECT_EQ(Changer.Texts,
              (std::vector<std::string>{"Please insert the first disk", "Please insert the last disk",
                                        "Please insert the first disk"}));
    KSWithdrawRemovableFolder(Drive.WidePath());
}

// ---- creating ------------------------------------------------------------------------------------

// Answers the boxes of a new spanned set in order; a step may first "insert" another disk, one
// with a different amount of free space. Boxes beyond the script are cancelled.
class BlankDiskChanger final : public TKSPrompts {
public:
    struct Step {
        TKSPromptButton Answer;
        int64_t Free = -1; // the free space of the disk inserted first; -1: the disk stays
    };
    BlankDiskChanger(TKSString Drive, std::vector<Step> Steps)
        : FDrive(std::move(Drive)), FSteps(std::move(Steps)), FPrevious(KSSetPrompts(this)) {}
    ~BlankDiskChanger() override { KSSetPrompts(FPrevious); }

    TKSPromptButton ConfirmBox(TKSPromptKind Kind, const AnsiString& Text, TKSPromptButtons) override {
        Boxes.emplace_back(Kind, Text);
        if (FNext >= FSteps.size())
            return pbCancel;
        const Step& S = FSteps[FNext++];
        if (S.Free >= 0)
            KSDeclareFreeSpace(FDrive, S.Free);
        return S.Answer;
    }
    bool PasswordInputQuery(const AnsiString&, const AnsiString&, AnsiString&) override { return false; }

    std::vector<std::pair<TKSPromptKind, std::string>> Boxes;

private:
    TKSString FDrive;
    std::vector<Step> FSteps;
    size_t FNext = 0;
    TKSPrompts* FPrevious;
};

struct BlankCase {
    const char* Title;
    int64_t VolumeBytes; // the set's custom volume size
    int64_t Free;        // on the disk in the drive at the start
    std::vector<BlankDiskChanger::Step> Steps;
    bool Created;
    std::vector<std::pair<TKSPromptKind, std::string>> Boxes;
};

const std::string BlankDisk1 = "Please insert a blank disk #1";
std::string DiskFull(int64_t Required, int64_t Free) {
    return "Disk is full. Required free space: " + std::to_string(Required) +
           " bytes, but available only: " + std::to_string(Free) +
           " bytes. Clean the disk or find another blank disk";
}

class SpannedCreate : public ::testing::TestWithParam<BlankCase> {};

// A new spanned set asks for a blank disk, refuses one with too little room through the disk-full
// prompt, and writes its first volume under the archive's own name; setting the pkback# label is
// not possible on this platform and does not stop it.
TEST_P(SpannedCreate, AsksForABlankDisk) {
    const BlankCase& C = GetParam();
    TempDir Drive;
    KSDeclareRemovableFolder(Drive.WidePath());
    KSDeclareFreeSpace(Drive.WidePath(), C.Free);
    const fs::path Name = Drive.Path() / "x.zip";
    {
        BlankDiskChanger Changer(Drive.WidePath(), C.Steps);
        TKestrel K;
        K.SetSpanningMode(smSpanning);
        K.SpanningOptions()->SetVolumeSize(vsCustom);
        K.SpanningOptions()->SetCustomVolumeSize(C.VolumeBytes);
        K.SetFileName(Name.u16string());
        int Native = 0;
        try {
            K.OpenArchive(KSOpenModeCreate);
        } catch (const EKSException& E) {
            Native = E.NativeError;
        }
        EXPECT_EQ(Native, C.Created ? 0 : 45) << C.Title;
        EXPECT_EQ(K.Active(), C.Created) << C.Title;
        K.CloseArchive();
        EXPECT_EQ(Changer.Boxes, C.Boxes) << C.Title;
    }
    if (C.Created) {
        ASSERT_TRUE(fs::exists(Name)) << C.Title;
        EXPECT_EQ(fs::file_size(Name), 22u) << C.Title;
    } else {
        EXPECT_FALSE(fs::exists(Name)) << C.Title;
    }
    EXPECT_FALSE(fs::exists(Drive.Path() / "x_001.zip")) << C.Title;
    KSWithdrawFreeSpace(Drive.WidePath());
    KSWithdrawRemovableFolder(Drive.WidePath());
}

using Kind = TKSPromptKind;
INSTANTIATE_TEST_SUITE_P(
    Prompts, SpannedCreate,
    ::testing::Values(
        BlankCase{
            "room on the first disk", 1457664, 2000000, {{pbOK}}, true, {{Kind::VolumeRequest, BlankDisk1}}},
        BlankCase{"a full disk replaced",
                  1457664,
                  100000,
                  {{pbOK}, {pbOK, 2000000}, {pbOK}},
                  true,
                  {{Kind::VolumeRequest, BlankDisk1},
                   {Kind::DiskFull, DiskFull(1457664, 100000)},
                   {Kind::VolumeRequest, BlankDisk1}}},
        // The smallest volumes (65536 bytes) still need more than 65536 bytes free.
        BlankCase{"room for the volume, not above the minimum",
                  65536,
                  65536,
                  {{pbOK}, {pbCancel}},
                  false,
                  {{Kind::VolumeRequest, BlankDisk1}, {Kind::DiskFull, DiskFull(65536, 65536)}}},
        BlankCase{"room for the volume, one byte above the minimum",
                  65536,
                  65537,
                  {{pbOK}},
                  true,
                  {{Kind::VolumeRequest, BlankDisk1}}},
        BlankCase{"disk-full prompt cancelled",
                  1457664,
                  100000,
                  {{pbOK}, {pbCancel}},
                  false,
                  {{Kind::VolumeRequest, BlankDisk1}, {Kind::DiskFull, DiskFull(1457664, 100000)}}},
        BlankCase{"blank-disk request cancelled",
                  1457664,
                  2000000,
                  {{pbCancel}},
                  false,
                  {{Kind::VolumeRequest, BlankDisk1}}}),
    [](const ::testing::TestParamInfo<BlankCase>& Info) { return "Case" + std::to_string(Info.index); });

} // namespace
