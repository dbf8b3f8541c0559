// Spanned sets on removable disks: a folder the platform declares removable stands for the drive,
// and a scripted prompt "inserts" a disk by putting that disk's volume into the folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
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
const char* const Disks[] = {"span3.z01", "span3.z02", "span3.zip"};

// Answers every box with OK after inserting the next scripted disk (-1: an empty drive).
class DiskChanger final : public TKSPrompts {
public:
    DiskChanger(fs::path Drive, std::vector<int> Inserts)
        : FDrive(std::move(Drive)), FInserts(std::move(Inserts)), FPrevious(KSSetPrompts(this)) {}
    ~DiskChanger() override { KSSetPrompts(FPrevious); }

    void Insert(int Disk) {
        fs::remove(FDrive / "x.zip");
        if (Disk >= 0)
            fs::copy_file(Volumes / Disks[Disk], FDrive / "x.zip");
    }
    TKSPromptButton ConfirmBox(TKSPromptKind, const AnsiString& Text, TKSPromptButtons) override {
        Texts.push_back(Text);
        if (FNext >= FInserts.size())
            return pbCancel;
        Insert(FInserts[FNext++]);
        return pbOK;
    }
    bool PasswordInputQuery(const AnsiString&, const AnsiString&, AnsiString&) override { return false; }

    std::vector<std::string> Texts;

private:
    fs::path FDrive;
    std::vector<int> FInserts;
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
        SpanCase{"cancelled", {}, false, {"Please insert the first disk"}}),
    [](const ::testing::TestParamInfo<SpanCase>& Info) { return "Case" + std::to_string(Info.index); });

} // namespace
