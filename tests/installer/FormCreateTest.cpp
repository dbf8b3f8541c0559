// The window's mode decision and where the folder chooser starts.
#include <gtest/gtest.h>

#include "InstallerFakes.h"
#include "installer/core/InstallerTexts.h"
#include "installer/core/MainLogic.h"

namespace ks::inst::test {
namespace {

struct ModeCase {
    const char* Name;
    std::optional<AnsiString> AppPath;
    bool MakeFolder; // the folder /opt/Fv exists
    bool MakeExe;    // /opt/Fv/Ferrovan.exe exists
    bool ExpectUpdate;
};

class ModeTest : public ::testing::TestWithParam<ModeCase> {};

TEST_P(ModeTest, DecidesByAppPath) {
    const ModeCase& C = GetParam();
    FakeOs Os;
    FakeView View;
    FakeArchive Arc(Os);
    Os.AppPath = C.AppPath;
    if (C.MakeFolder)
        Os.Dirs.insert(Native("/opt/Fv"));
    if (C.MakeExe)
        Os.Files[Native("/opt/Fv/Ferrovan.exe")] = "exe";
    TMainLogic Logic(View, Os, Arc, {}, nullptr);
    Logic.FormCreate();

    EXPECT_EQ(View.Label2, txt::Label2);
    EXPECT_EQ(Logic.fFileName, "DataPack.res");
    EXPECT_EQ(Logic.fExeName, "Ferrovan.exe");
    EXPECT_EQ(Logic.fMainID_FORM, 10018);
    EXPECT_EQ(Os.Calls.front(), "ReadAppPath Ferrovan");
    EXPECT_EQ(View.UpdateVisible, C.ExpectUpdate);
    if (C.ExpectUpdate) {
        EXPECT_EQ(View.PathCap, *C.AppPath); // exactly as stored
        EXPECT_EQ(View.Dir, "");             // the chooser is not positioned
    } else {
        EXPECT_EQ(View.Dir, Native("/home/u/"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    AppPath, ModeTest,
    ::testing::Values(ModeCase{"KeyMissing", std::nullopt, true, true, false},
                      ModeCase{"ValueEmpty", AnsiString(), true, true, false},
                      ModeCase{"NoTrailingSeparator", Native("/opt/Fv"), true, true, false},
                      ModeCase{"FolderGone", Native("/opt/Fv/"), false, false, false},
                      ModeCase{"ApplicationMissing", Native("/opt/Fv/"), true, false, false},
                      ModeCase{"Valid", Native("/opt/Fv/"), true, true, true}),
    [](const auto& I) { return std::string(I.param.Name); });

struct StartCase {
    const char* Name;
    std::optional<AnsiString> Docs;
    std::vector<AnsiString> Mounts;
    AnsiString Drive;
    AnsiString Dir;
};

class StartFolderTest : public ::testing::TestWithParam<StartCase> {};

TEST_P(StartFolderTest, StartsBesideTheDocumentsFolder) {
    const StartCase& C = GetParam();
    FakeOs Os;
    FakeView View;
    FakeArchive Arc(Os);
    Os.Docs = C.Docs;
    Os.Mounts = C.Mounts;
    TMainLogic Logic(View, Os, Arc, {}, nullptr);
    Logic.FormCreate();
    EXPECT_FALSE(View.UpdateVisible);
    EXPECT_EQ(View.DriveRoot, C.Drive);
    EXPECT_EQ(View.DirDriveRoot, C.Drive);
    EXPECT_EQ(View.Dir, C.Dir);
}

INSTANTIATE_TEST_SUITE_P(
    Docs, StartFolderTest,
    ::testing::Values(
        StartCase{"BelowHome", Native("/home/u/Documents"), {Native("/")}, Native("/"), Native("/home/u/")},
        StartCase{"AtRoot", Native("/"), {Native("/")}, Native("/"), Native("/")},
        StartCase{"Missing", std::nullopt, {Native("/"), Native("/home")}, Native("/"), Native("/")},
        StartCase{"Empty", AnsiString(), {Native("/")}, Native("/"), Native("/")},
        StartCase{"OnOtherMount",
                  Native("/media/d/Dok"),
                  {Native("/"), Native("/media/d")},
                  Native("/media/d"),
                  Native("/media/d/")},
        StartCase{"AtMountRoot",
                  Native("/media/d"),
                  {Native("/"), Native("/media/d")},
                  Native("/media/d"),
                  Native("/media/d/")}),
    [](const auto& I) { return std::string(I.param.Name); });

TEST(UjMappaButton, MovesTheListOnlyWhenAFolderWasCreated) {
    for (const AnsiString& Returned : {Native("/home/u/uj"), AnsiString()}) {
        FakeOs Os;
        FakeView View;
        FakeArchive Arc(Os);
        AnsiString AskedFor;
        TMainLogic Logic(View, Os, Arc, {}, [&](const AnsiString& P) {
            AskedFor = P;
            return Returned;
        });
        Logic.FormCreate();
        View.Trace.clear();
        Logic.btnUjMappaClick();
        EXPECT_EQ(AskedFor, Native("/home/u/"));
        if (Returned.empty()) {
            EXPECT_TRUE(View.Trace.empty());
            EXPECT_EQ(View.Dir, Native("/home/u/"));
        } else {
            EXPECT_EQ(View.Trace, (std::vector<AnsiString>{"DirUpdate", "SetDir " + Native("/home/u/uj")}));
        }
    }
}

} // namespace
} // namespace ks::inst::test
