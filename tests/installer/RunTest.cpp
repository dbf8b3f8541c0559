// The installation run over a scripted archive: files, messages, flags, the launch.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "InstallerFakes.h"
#include "installer/core/InstallerTexts.h"
#include "installer/core/MainLogic.h"

namespace ks::inst::test {
namespace {

const std::string PayloadBytes = "payload";
const AnsiString Target = Native("/home/u/Ferrovan/");
// A path below the target folder, written with Native("/") here and the native separator on disk.
AnsiString At(const AnsiString& Rel) {
    return Target + Native(Rel);
}

class RunTest : public ::testing::Test {
protected:
    FakeOs Os;
    FakeView View;
    FakeArchive Arc{Os};
    std::vector<uint8_t> Payload{PayloadBytes.begin(), PayloadBytes.end()};

    void SetUp() override {
        Os.Dirs.insert(Native("/home/u"));
        Os.Dirs.insert(Native("/home/u/Desktop"));
        Arc.Contents[PayloadBytes] = {
            {"Ferrovan.exe", "exe"},      {"Kezikonyv_elemei.zip", "zip:kez"},
            {"Adatlap.zip", "zip:adat"},  {"PyLib.zip", "zip:py"},
            {"Torzs.zip", "torzs-bytes"}, {"IDAutomationHC39M_Free.ttf", "font"},
            {"index.html", "<html>"},     {"segitseg.html", "<html>"},
        };
        Arc.Contents["zip:kez"] = {{"kepek/", ""}, {"kepek/a.png", "png"}, {"index.html", "k"}};
        Arc.Contents["zip:adat"] = {{"urlap/a.xml", "xml"}};
        Arc.Contents["zip:py"] = {{"json/__init__.py", "j"},
                                  {"xml/__init__.py", "x"},
                                  {"xml/dom/__init__.py", "d"},
                                  {"os.py", "o"}};
    }

    // Makes the item Stored of archive Key meet Fate.
    void SetFate(const std::string& Key, const AnsiString& Stored, ItemFate Fate) {
        for (auto& E : Arc.Contents[Key])
            if (E.Stored == Stored)
                E.Fate = Fate;
    }

    void Run() {
        TMainLogic Logic(View, Os, Arc, Payload, nullptr);
        Logic.FormCreate();
        Logic.btnRunClick();
        Flags = {Logic.aErrorExe, Logic.aErrorEtc};
        FileName = Logic.fFileName;
    }
    bool Has(const AnsiString& P) const { return Os.Files.count(P) != 0; }
    bool Called(const AnsiString& C) const {
        return std::find(Os.Calls.begin(), Os.Calls.end(), C) != Os.Calls.end();
    }
    AnsiString LaunchCall() const { return "Launch " + At("Ferrovan.exe") + " FIRST_RUN " + Target; }

    std::pair<bool, bool> Flags;
    AnsiString FileName;
};

TEST_F(RunTest, CompleteRunInstallsEverything) {
    Run();
    EXPECT_EQ(View.Messages, std::vector<AnsiString>{txt::Success});
    EXPECT_TRUE(Has(At("Ferrovan.exe")));
    EXPECT_TRUE(Has(At("index.html")));
    EXPECT_TRUE(Has(At("Kezikonyv_elemei/kepek/a.png")));
    EXPECT_TRUE(Os.DirectoryExists(At("Kezikonyv_elemei/kepek")));
    EXPECT_TRUE(Has(At("Adatlap/urlap/a.xml")));
    EXPECT_TRUE(Has(At("PyLib/xml/dom/__init__.py")));
    EXPECT_EQ(Os.Attrs[At("PyLib")], 6U);
    EXPECT_EQ(Os.Files[At("Torzs/Torzs10018.pck")], "torzs-bytes");
    EXPECT_TRUE(Has(At("IDAutomationHC39M_Free.ttf")));
    for (const char* Gone :
         {"DataPack.res", "DataPack.zip", "Torzs.zip", "PyLib.zip", "Kezikonyv_elemei.zip", "Adatlap.zip",
          "PyLib/PyLib.zip", "Adatlap/Adatlap.zip", "Kezikonyv_elemei/Kezikonyv_elemei.zip"})
        EXPECT_FALSE(Has(At(Gone))) << Gone;
    EXPECT_FALSE(Os.DirectoryExists(At("Dokumentumok"))); // not in the payload: skipped silently
    EXPECT_EQ(FileName, "DataPack.zip");
    EXPECT_TRUE(Called("Shortcut " + At("Ferrovan.exe") + " " + At(" ") +
                       Native("/home/u/Desktop/Ferrovan.desktop")));
    EXPECT_TRUE(Called("AddFont " + At("IDAutomationHC39M_Free.ttf")));
    EXPECT_TRUE(Called("FontChange"));
    EXPECT_EQ(Os.Calls.back(), LaunchCall());
    EXPECT_TRUE(View.Closed);
    EXPECT_EQ(View.Trace.back(), "Close");
}

TEST_F(RunTest, EachItemIsExtractedOnce) {
    Run();
    // Three __init__.py in different folders: each is written once, not once per same-named item.
    for (const auto& [Path, Count] : Arc.ExtractCount)
        EXPECT_EQ(Count, 1) << Path;
    EXPECT_EQ(Arc.ExtractCount[At("PyLib/xml/__init__.py")], 1);
    // The nested index.html of Kezikonyv_elemei did not overwrite the top-level one.
    EXPECT_EQ(Os.Files[At("index.html")], "<html>");
}

TEST_F(RunTest, RootFolderGivesASingleSeparator) {
    Os.Docs = Native("/");
    Run();
    EXPECT_TRUE(Has(Native("/Ferrovan/Ferrovan.exe")));
    EXPECT_EQ(Os.Created.front(), Native("/Ferrovan/"));
}

TEST_F(RunTest, UpdateModeInstallsOverTheStoredFolder) {
    Os.AppPath = Native("/opt/Régi Ferrovan/");
    Os.Dirs.insert(Native("/opt/Régi Ferrovan"));
    Os.Files[Native("/opt/Régi Ferrovan/Ferrovan.exe")] = "old";
    Run();
    EXPECT_EQ(Os.Files[Native("/opt/Régi Ferrovan/Ferrovan.exe")], "exe");
    EXPECT_TRUE(std::find(Os.Created.begin(), Os.Created.end(), Native("/opt/Régi Ferrovan/")) ==
                Os.Created.end());
    EXPECT_EQ(View.Messages, std::vector<AnsiString>{txt::Success});
}

TEST_F(RunTest, LeftoverDataPackIsReplacedByThePayload) {
    Os.Files[At("DataPack.zip")] = "stale";
    Arc.Contents["stale"] = {{"Ferrovan.exe", "stale-exe"}, {"planted.txt", "x"}};
    Run();
    EXPECT_EQ(Os.Files[At("Ferrovan.exe")], "exe");
    EXPECT_FALSE(Has(At("planted.txt")));
    EXPECT_FALSE(Has(At("DataPack.zip")));
    EXPECT_FALSE(Has(At("DataPack.res")));
    EXPECT_EQ(View.Messages, std::vector<AnsiString>{txt::Success});
}

TEST_F(RunTest, LeftoverNestedCopyIsReplaced) {
    // A copy left in the sub-folder blocks the move; the payload's archive is copied over it.
    Os.Files[At("PyLib/PyLib.zip")] = "stale";
    Arc.Contents["stale"] = {{"planted.py", "x"}};
    Run();
    EXPECT_TRUE(Has(At("PyLib/xml/__init__.py")));
    EXPECT_FALSE(Has(At("PyLib/planted.py")));
    EXPECT_FALSE(Has(At("PyLib/PyLib.zip")));
    EXPECT_EQ(View.Messages, std::vector<AnsiString>{txt::Success});
}

TEST_F(RunTest, BrokenNestedArchiveGivesZipError) {
    Arc.Contents[PayloadBytes][3].Content = "broken"; // PyLib.zip
    Run();
    EXPECT_EQ(View.Messages, (std::vector<AnsiString>{"Zip hiba: PyLib.zip", txt::Success}));
    EXPECT_FALSE(Has(At("PyLib/PyLib.zip")));
    EXPECT_FALSE(Has(At("PyLib.zip")));
    EXPECT_TRUE(Has(At("Adatlap/urlap/a.xml")));
    EXPECT_EQ(Os.Calls.back(), LaunchCall());
}

// Item outcomes and the final message they lead to; the application is started after each.
struct OutcomeCase {
    const char* Name;
    std::function<void(RunTest&)> Arrange;
    std::vector<AnsiString> Messages;
    bool Exe, Etc;
};

class RunOutcomeTest : public RunTest, public ::testing::WithParamInterface<OutcomeCase> {
public:
    using RunTest::SetFate;
    FakeOs& Fs() { return Os; }
    FakeArchive& Archive() { return Arc; }
};

TEST_P(RunOutcomeTest, FinalMessageTellsTheTruth) {
    GetParam().Arrange(*this);
    Run();
    EXPECT_EQ(View.Messages, GetParam().Messages);
    EXPECT_EQ(Flags.first, GetParam().Exe);
    EXPECT_EQ(Flags.second, GetParam().Etc);
    EXPECT_EQ(Os.Calls.back(), LaunchCall());
    EXPECT_TRUE(View.Closed);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, RunOutcomeTest,
    ::testing::Values(
        OutcomeCase{"LockedItemIgnored",
                    [](RunTest& T) {
                        static_cast<RunOutcomeTest&>(T).SetFate("zip:adat", "urlap/a.xml",
                                                                ItemFate::PromptIgnore);
                    },
                    {txt::NotAllFiles},
                    false,
                    true},
        OutcomeCase{"RetriedItemSucceeds",
                    [](RunTest& T) {
                        static_cast<RunOutcomeTest&>(T).SetFate("zip:adat", "urlap/a.xml",
                                                                ItemFate::PromptRetryOk);
                    },
                    {txt::Success},
                    false,
                    false},
        OutcomeCase{"LockedApplicationIgnored",
                    [](RunTest& T) {
                        static_cast<RunOutcomeTest&>(T).SetFate(PayloadBytes, "Ferrovan.exe",
                                                                ItemFate::PromptIgnore);
                    },
                    {txt::AppRunning},
                    true,
                    false},
        OutcomeCase{"ApplicationRaises",
                    [](RunTest& T) {
                        static_cast<RunOutcomeTest&>(T).SetFate(PayloadBytes, "Ferrovan.exe",
                                                                ItemFate::Raises);
                    },
                    {txt::AppRunning},
                    true,
                    false},
        OutcomeCase{"ApplicationInSubFolderRaises",
                    [](RunTest& T) {
                        auto& A = static_cast<RunOutcomeTest&>(T).Archive();
                        A.Contents["zip:adat"].push_back({"bin/Ferrovan.exe", "e", ItemFate::Raises});
                    },
                    {txt::AppRunning},
                    true,
                    false},
        OutcomeCase{"FontFailureIgnored",
                    [](RunTest& T) {
                        static_cast<RunOutcomeTest&>(T).SetFate(PayloadBytes, "IDAutomationHC39M_Free.ttf",
                                                                ItemFate::Raises);
                    },
                    {txt::Success},
                    false,
                    false},
        OutcomeCase{"BothFlagsShowOnlyRunning",
                    [](RunTest& T) {
                        auto& R = static_cast<RunOutcomeTest&>(T);
                        R.SetFate(PayloadBytes, "Ferrovan.exe", ItemFate::Raises);
                        R.SetFate("zip:py", "os.py", ItemFate::Raises);
                    },
                    {txt::AppRunning},
                    true,
                    true},
        OutcomeCase{"PasswordSkipped",
                    [](RunTest& T) {
                        static_cast<RunOutcomeTest&>(T).SetFate("zip:py", "os.py", ItemFate::PasswordSkip);
                    },
                    {txt::NotAllFiles},
                    false,
                    true},
        OutcomeCase{"BatchCancelledByDiskFull",
                    [](RunTest& T) {
                        static_cast<RunOutcomeTest&>(T).SetFate(PayloadBytes, "index.html",
                                                                ItemFate::DiskFull);
                    },
                    {txt::NotAllFiles},
                    false,
                    true},
        OutcomeCase{"FontAddsTwoFaces",
                    [](RunTest& T) { static_cast<RunOutcomeTest&>(T).Fs().FontFaces = 2; },
                    {txt::FontFailed, txt::Success},
                    false,
                    false},
        OutcomeCase{"FontAddsNothing",
                    [](RunTest& T) { static_cast<RunOutcomeTest&>(T).Fs().FontFaces = 0; },
                    {txt::FontFailed, txt::Success},
                    false,
                    false},
        OutcomeCase{"NestedCopyFails",
                    [](RunTest& T) {
                        static_cast<RunOutcomeTest&>(T).Fs().FailCopyTo.insert(At("Adatlap/Adatlap.zip"));
                    },
                    {txt::NotAllFiles},
                    false,
                    true}),
    [](const auto& I) { return std::string(I.param.Name); });

TEST_F(RunTest, DataFileNotCreatedLeavesAWayOut) {
    Os.WriteVanishes = true;
    Run();
    EXPECT_EQ(View.Messages, std::vector<AnsiString>{"Telepítés nem lehetséges. Fájl nem hozható létre (" +
                                                     At("DataPack.res") + ")"});
    EXPECT_FALSE(View.Closed);
    EXPECT_TRUE(View.WindowEnabled);
    EXPECT_TRUE(View.WaitVisible);
    EXPECT_FALSE(View.RunEnabled);
    EXPECT_FALSE(View.UjMappaEnabled);
    EXPECT_TRUE(View.ExitEnabled);
    EXPECT_FALSE(Called(LaunchCall()));
}

TEST_F(RunTest, WriteErrorLeavesTheRunAndAWayOut) {
    Os.FailWrite = true;
    EXPECT_THROW(Run(), EFCreateError);
    EXPECT_TRUE(View.Messages.empty());
    EXPECT_FALSE(View.Closed);
    EXPECT_TRUE(View.WindowEnabled);
    EXPECT_TRUE(View.ExitEnabled);
    EXPECT_FALSE(View.RunEnabled);
}

TEST_F(RunTest, NoShortcutWhenUnticked) {
    View.Shortcut = false;
    Run();
    for (const auto& C : Os.Calls)
        EXPECT_NE(C.rfind("Shortcut", 0), 0U) << C;
}

} // namespace
} // namespace ks::inst::test
