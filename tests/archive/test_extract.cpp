// Extraction runs: output paths and folders, overwrite modes and the read-only rule, confinement of
// stored names, symbolic links on the way, overlapping entries, the failure loop and its prompt,
// cancellation, the batch lock and deletion of failed output.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "archive/KSConst.h"
#include "archive/KSDirManager.h"
#include "archive/KSExcept.h"
#include "archive/KSExtract.h"
#include "platform/KSFiles.h"
#include "platform/KSSync.h"
#include "tests/archive/ExtractTestSupport.h"
#include "tests/support/ScriptedPrompts.h"

namespace ks {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::OpenedArchive;
using test::ReadText;
using test::ZipWriter;

constexpr int32_t kAllAttr = 10431;

void WriteText(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}

// Records the failure events of a run and answers with a fixed action.
struct FailureLog {
    std::vector<int32_t> Natives;
    std::vector<TKSString> Names;
    void Attach(TKSBaseArchiver& A, TKSAction Answer) {
        A.FOnProcessFileFailure = [this, Answer](TComponent*, const TKSString& n, TKSProcessOperation,
                                                 int32_t native, int32_t, const TKSString&, TKSAction& act) {
            Natives.push_back(native);
            Names.push_back(n);
            act = Answer;
        };
    }
};

// ---- paths and folders ----------------------------------------------------------------------------

TEST(Extract, WritesTheTreeWithTimesAndFolders) {
    ZipWriter w;
    w.AddDirectory("docs/");
    w.AddDirectory("empty/");
    w.AddFile("docs/sub/a.txt", "alpha", {.dosTime = 0x6000, .dosDate = 0x5A2F});
    w.AddFile("top.txt", "top");
    OpenedArchive a(w.Finish());
    a.Arc->ExtractFiles(u"*.*", kAllAttr, u"");
    EXPECT_EQ(ReadText(a.OutFile("docs/sub/a.txt")), "alpha");
    EXPECT_EQ(ReadText(a.OutFile("top.txt")), "top");
    EXPECT_TRUE(fs::is_directory(a.OutFile("empty")));
    EXPECT_EQ(KSFileAge(a.OutFile("docs/sub/a.txt").u16string()), KSDosDateTime(0x6000, 0x5A2F));
    for (const auto& item : a.Arc->LastRunReport().Items)
        EXPECT_EQ(item.Outcome, TKSItemOutcome::Done);
}

TEST(Extract, WithoutCreateDirsEverythingLandsFlat) {
    ZipWriter w;
    w.AddDirectory("docs/");
    w.AddFile("docs/sub/a.txt", "alpha");
    OpenedArchive a(w.Finish());
    a.Arc->Options()->SetCreateDirs(false);
    a.Arc->ExtractFiles(u"*.*", kAllAttr, u"");
    EXPECT_EQ(ReadText(a.OutFile("a.txt")), "alpha");
    EXPECT_FALSE(fs::exists(a.OutFile("docs")));
}

TEST(Extract, EmptyBaseDirUsesTheCurrentFolder) {
    ZipWriter w;
    w.AddFile("cwd.txt", "here");
    OpenedArchive a(w.Finish());
    a.Arc->SetBaseDir(u"");
    a.Arc->FCurrentDir = a.Out().u16string();
    a.Arc->ExtractFiles(u"cwd.txt", kAllAttr, u"");
    EXPECT_EQ(ReadText(a.OutFile("cwd.txt")), "here");
}

TEST(Extract, AMaskNamesEveryItemWithThatLastComponent) {
    ZipWriter w;
    w.AddFile("a/x.txt", "1");
    w.AddFile("b/x.txt", "2");
    w.AddFile("b/y.txt", "3");
    OpenedArchive a(w.Finish());
    a.Arc->ExtractFiles(u"x.txt", kAllAttr, u"");
    EXPECT_TRUE(fs::exists(a.OutFile("a/x.txt")));
    EXPECT_TRUE(fs::exists(a.OutFile("b/x.txt")));
    EXPECT_FALSE(fs::exists(a.OutFile("b/y.txt")));
    EXPECT_EQ(a.Arc->LastRunReport().Items.size(), 2u);
}

TEST(Extract, ClosedArchiveRaises13) {
    TKestrel k;
    try {
        k.ExtractFiles(u"*.*", kAllAttr, u"");
        FAIL();
    } catch (const EKSException& e) {
        EXPECT_EQ(e.NativeError, 13);
    }
}

// ---- confinement of stored names -----------------------------------------------------------------

struct NameCase {
    const char* Label;
    const char* Stored;
    const char* Expected; // relative to the target; nullptr: the item fails with native 19
};

class StoredName : public ::testing::TestWithParam<NameCase> {};

TEST_P(StoredName, StaysInsideTheTarget) {
    const NameCase& c = GetParam();
    ZipWriter w;
    w.AddFile(c.Stored, "payload");
    OpenedArchive a(w.Finish());
    FailureLog log;
    log.Attach(*a.Arc, fxaIgnore);
    a.Arc->ExtractFiles(u"*", kAllAttr, u"");
    if (c.Expected) {
        EXPECT_TRUE(log.Natives.empty());
        EXPECT_EQ(ReadText(a.OutFile(c.Expected)), "payload");
    } else {
        ASSERT_EQ(log.Natives.size(), 1u);
        EXPECT_EQ(log.Natives[0], 19);
    }
    // Nothing appeared beside the target folder.
    for (const auto& e : fs::directory_iterator(a.Root()))
        EXPECT_TRUE(e.path().filename() == "out" || e.path().filename() == "archive.zip") << e.path();
}

INSTANTIATE_TEST_SUITE_P(Names, StoredName,
                         ::testing::Values(NameCase{"DriveLetter", "C:/x/a.txt", "x/a.txt"},
                                           NameCase{"DriveLetterNoSlash", "d:a.txt", "a.txt"},
                                           NameCase{"BackslashInName", "dir\\b.txt", "dir/b.txt"},
                                           NameCase{"DoubleBackslash", "dir\\\\c.txt", "dir/c.txt"},
                                           NameCase{"LeadingSlash", "/abs/p.txt", "abs/p.txt"},
                                           NameCase{"UncPrefix", "//server/share/u.txt", "u.txt"},
                                           NameCase{"UncBackslashes", "\\\\server\\share\\v.txt", "v.txt"},
                                           NameCase{"DotDotClimbing", "../../evil.txt", "evil.txt"},
                                           NameCase{"DotDotInside", "a/b/../../c/./d.txt", "c/d.txt"},
                                           NameCase{"DotDotPastRootInside", "a/../../../e.txt", "e.txt"},
                                           NameCase{"NothingLeft", "../..", nullptr},
                                           NameCase{"OnlySeparators", "//", nullptr},
                                           // Names Windows reads as a data stream or a device.
                                           NameCase{"DataStream", "a.txt:hidden", nullptr},
                                           NameCase{"DataStreamOfFolder", "dir:s/a.txt", nullptr},
                                           NameCase{"DriveLetterInside", "x/C:/a.txt", nullptr},
                                           NameCase{"ColonAfterDrive", "C:ab:c.txt", nullptr},
                                           NameCase{"Device", "CON", nullptr},
                                           NameCase{"DeviceWithExtension", "con.txt", nullptr},
                                           NameCase{"DeviceTwoExtensions", "dir/Nul.tar.gz", nullptr},
                                           NameCase{"DeviceWithBlank", "aux .txt", nullptr},
                                           NameCase{"NumberedDevice", "sub/COM1", nullptr},
                                           NameCase{"NumberedPrinter", "lPt9.log", nullptr},
                                           NameCase{"DeviceAsFolder", "prn/a.txt", nullptr},
                                           NameCase{"ConsoleInput", "conin$", nullptr},
                                           // Ordinary names that only look similar.
                                           NameCase{"DeviceNameLonger", "console.txt", "console.txt"},
                                           NameCase{"TwoDigitPort", "com10.txt", "com10.txt"},
                                           NameCase{"DeviceNameAsExtension", "x.con", "x.con"},
                                           NameCase{"DeviceNameInside", "a_nul/prn_b.txt", "a_nul/prn_b.txt"},
                                           NameCase{"PortWithoutDigit", "dir/COM.txt", "dir/COM.txt"}),
                         [](const auto& info) { return std::string(info.param.Label); });

TEST(Extract, HandlerMayRedirectToAnAbsoluteName) {
    ZipWriter w;
    w.AddFile("a.txt", "moved");
    OpenedArchive a(w.Finish());
    const fs::path elsewhere = a.Root() / "elsewhere";
    fs::create_directories(elsewhere);
    // "\\" + the absolute folder without its leading separator: two consecutive backslashes make the
    // name absolute.
#ifdef _WIN32
    // A drive-letter name has its colon: used as a path of its own.
    TKSString target = elsewhere.u16string() + u"\\a.txt";
#else
    std::string abs = elsewhere.string();
    TKSString target = u"\\\\" + fs::path(abs.substr(1)).u16string() + u"\\a.txt";
#endif
    TKSString seen;
    a.Arc->FOnExtractFile = [&](TComponent*, TKSString& name, uint32_t&, const AnsiString&) {
        seen = name;
        name = target;
    };
    a.Arc->ExtractFiles(u"*", kAllAttr, u"");
    EXPECT_EQ(seen, u"a.txt");
    EXPECT_EQ(ReadText(elsewhere / "a.txt"), "moved");
    EXPECT_FALSE(fs::exists(a.OutFile("a.txt")));
}

// ---- symbolic links -------------------------------------------------------------------------------

// True when this system lets the test make symbolic links (Windows needs a privilege for them,
// Wine has none).
bool CanMakeLinks(const fs::path& Dir) {
    std::error_code Ec;
    fs::create_symlink(Dir / "link-probe-target", Dir / "link-probe", Ec);
    fs::remove(Dir / "link-probe");
    return !Ec;
}

TEST(Extract, NeverWritesThroughALinkOnTheWay) {
    if (!CanMakeLinks(fs::temp_directory_path()))
        GTEST_SKIP() << "symbolic links cannot be made here";
    ZipWriter w;
    w.AddFile("link/x.txt", "through the folder link");
    w.AddFile("file.txt", "through the file link");
    w.AddFile("fine.txt", "ok");
    OpenedArchive a(w.Finish());
    const fs::path outside = a.Root() / "outside";
    fs::create_directories(outside);
    WriteText(outside / "victim.txt", "original");
    fs::create_directory_symlink(outside, a.OutFile("link"));
    fs::create_symlink(outside / "victim.txt", a.OutFile("file.txt"));
    FailureLog log;
    log.Attach(*a.Arc, fxaIgnore);
    a.Arc->ExtractFiles(u"*", kAllAttr, u"");
    ASSERT_EQ(log.Natives.size(), 2u);
    EXPECT_EQ(log.Natives[0], 19);
    EXPECT_EQ(log.Natives[1], 19);
    EXPECT_FALSE(fs::exists(outside / "x.txt"));
    EXPECT_EQ(ReadText(outside / "victim.txt"), "original");
    EXPECT_TRUE(fs::is_symlink(a.OutFile("file.txt")));
    EXPECT_EQ(ReadText(a.OutFile("fine.txt")), "ok");
}

TEST(Extract, DanglingLinkIsNotFollowed) {
    if (!CanMakeLinks(fs::temp_directory_path()))
        GTEST_SKIP() << "symbolic links cannot be made here";
    ZipWriter w;
    w.AddFile("d.txt", "data");
    OpenedArchive a(w.Finish());
    const fs::path target = a.Root() / "created-through-link.txt";
    fs::create_symlink(target, a.OutFile("d.txt"));
    FailureLog log;
    log.Attach(*a.Arc, fxaIgnore);
    a.Arc->ExtractFiles(u"*", kAllAttr, u"");
    ASSERT_EQ(log.Natives.size(), 1u);
    EXPECT_EQ(log.Natives[0], 19);
    EXPECT_FALSE(fs::exists(target));
}

TEST(Extract, UnixLinkItemBecomesAPlainFile) {
    ZipWriter w;
    // A Unix symbolic link (mode 0120777) whose data is the link text, then a file through it.
    w.AddFile("ln", "/etc", {.method = 0, .externalAttr = 0120777u << 16, .versionMadeBy = 3 << 8 | 30});
    w.AddFile("ln/passwd", "owned");
    OpenedArchive a(w.Finish());
    FailureLog log;
    log.Attach(*a.Arc, fxaIgnore);
    a.Arc->ExtractFiles(u"*", kAllAttr, u"");
    EXPECT_FALSE(fs::is_symlink(a.OutFile("ln")));
    EXPECT_EQ(ReadText(a.OutFile("ln")), "/etc");
    ASSERT_EQ(log.Natives.size(), 1u); // "ln" is a file, so "ln/" cannot be a folder
    EXPECT_EQ(log.Natives[0], 20);
}

// ---- overlapping entries ------------------------------------------------------------------------

TEST(Extract, EntriesSharingAStartExtractOnlyTheFirst) {
    ZipWriter w;
    w.AddFile("first.txt", "shared data");
    w.AddFile("second.txt", "shared data");
    Bytes zip = w.Finish();
    const uint64_t firstOffset = w.Layout().entries[0].localOffset;
    test::PatchCentralHeader(
        zip, w.Layout(), 1, [&](TKSZipCentralDir& h) { h.relOffsetLH = static_cast<uint32_t>(firstOffset); });
    OpenedArchive a(zip);
    a.Arc->SetExtractCorruptedFiles(true); // does not lift the check
    FailureLog log;
    log.Attach(*a.Arc, fxaIgnore);
    a.Arc->ExtractFiles(u"second.txt", kAllAttr, u""); // one item per call, as the installer does
    ASSERT_EQ(log.Natives.size(), 1u);
    EXPECT_EQ(log.Natives[0], 8);
    EXPECT_FALSE(fs::exists(a.OutFile("second.txt")));
    a.Arc->ExtractFiles(u"first.txt", kAllAttr, u"");
    EXPECT_EQ(ReadText(a.OutFile("first.txt")), "shared data");
    EXPECT_EQ(log.Natives.size(), 1u);
}

TEST(Extract, EntryInsideAnotherEntrysDataFailsBeforeWriting) {
    // The outer item's stored data is a complete, sound local entry of "inner.txt"; the directory's
    // entry for inner.txt points into it.
    ZipWriter innerWriter;
    innerWriter.AddFile("inner.txt", "inner data", {.method = 0});
    const Bytes innerZip = innerWriter.Finish();
    const auto& ie = innerWriter.Layout().entries[0];
    const Bytes innerEntry(innerZip.begin(),
                           innerZip.begin() + static_cast<long>(ie.dataOffset + ie.dataSize));

    ZipWriter w;
    w.AddFile("outer.bin", innerEntry, {.method = 0});
    w.AddFile("inner.txt", "inner data", {.method = 0});
    Bytes zip = w.Finish();
    const uint64_t into = w.Layout().entries[0].dataOffset;
    test::PatchCentralHeader(zip, w.Layout(), 1,
                             [&](TKSZipCentralDir& h) { h.relOffsetLH = static_cast<uint32_t>(into); });
    OpenedArchive a(zip);
    WriteText(a.OutFile("inner.txt"), "keep me");
    a.Arc->SetExtractCorruptedFiles(true);
    FailureLog log;
    log.Attach(*a.Arc, fxaIgnore);
    a.Arc->ExtractFiles(u"*", kAllAttr, u"");
    ASSERT_EQ(log.Natives.size(), 1u);
    EXPECT_EQ(log.Names[0], u"inner.txt");
    EXPECT_EQ(log.Natives[0], 8);
    EXPECT_EQ(ReadText(a.OutFile("inner.txt")), "keep me"); // nothing was touched
    EXPECT_TRUE(fs::exists(a.OutFile("outer.bin")));
}

// ---- overwrite modes and the read-only rule --------------------------------------------------------

struct OverwriteCase {
    const char* Label;
    TKSOverwriteMode Mode;
    int32_t ExistingAgeDelta; // existing file's DOS value minus the item's; 0 = equal
    bool Replaced;
};

class Overwrite : public ::testing::TestWithParam<OverwriteCase> {};

TEST_P(Overwrite, FollowsTheMode) {
    const OverwriteCase& c = GetParam();
    const uint16_t itemTime = 0x6010, itemDate = 0x5A2F; // 12:00:32, so +-2 s stay valid
    ZipWriter w;
    w.AddFile("f.txt", "new", {.dosTime = itemTime, .dosDate = itemDate});
    OpenedArchive a(w.Finish());
    WriteText(a.OutFile("f.txt"), "old");
    ASSERT_TRUE(KSFileSetDate(a.OutFile("f.txt").u16string(),
                              KSDosDateTime(itemTime, itemDate) + c.ExistingAgeDelta));
    a.Arc->Options()->SetOverwriteMode(c.Mode);
    a.Arc->ExtractFiles(u"*", kAllAttr, u"");
    EXPECT_EQ(ReadText(a.OutFile("f.txt")), c.Replaced ? "new" : "old");
    EXPECT_EQ(a.Arc->LastRunReport().Items.at(0).Outcome,
              c.Replaced ? TKSItemOutcome::Done : TKSItemOutcome::Skipped);
}

// DOS time deltas: 1 = two seconds; 1 << 16 = one day.
INSTANTIATE_TEST_SUITE_P(Modes, Overwrite,
                         ::testing::Values(OverwriteCase{"Always", omAlways, 0, true},
                                           OverwriteCase{"Never", omNever, -(1 << 16), false},
                                           OverwriteCase{"IfNewerOlderFile", omIfNewer, -(1 << 16), true},
                                           OverwriteCase{"IfNewerEqual", omIfNewer, 0, false},
                                           OverwriteCase{"IfNewerNewerFile", omIfNewer, 1, false},
                                           OverwriteCase{"IfOlderNewerFile", omIfOlder, 1 << 16, true},
                                           OverwriteCase{"IfOlderEqual", omIfOlder, 0, false},
                                           OverwriteCase{"IfOlderOlderFile", omIfOlder, -1, false}),
                         [](const auto& info) { return std::string(info.param.Label); });

struct PromptCase {
    const char* Label;
    TKSPromptButton Answer;
    bool FirstReplaced;
    bool SecondReplaced;
    int BoxesShown;
    TKSOverwriteMode ModeAfter;
};

class OverwritePrompt : public ::testing::TestWithParam<PromptCase> {};

TEST_P(OverwritePrompt, AnswersMapAndToAllSticks) {
    const PromptCase& c = GetParam();
    ZipWriter w;
    w.AddFile("one.txt", "new1");
    w.AddFile("two.txt", "new2");
    OpenedArchive a(w.Finish());
    WriteText(a.OutFile("one.txt"), "old1");
    WriteText(a.OutFile("two.txt"), "old2");
    a.Arc->Options()->SetOverwriteMode(omPrompt);
    test::ScriptedPrompts prompts;
    prompts.AnswerBox(c.Answer);
    a.Arc->ExtractFiles(u"*", kAllAttr, u"");
    EXPECT_EQ(ReadText(a.OutFile("one.txt")), c.FirstReplaced ? "new1" : "old1");
    EXPECT_EQ(ReadText(a.OutFile("two.txt")), c.SecondReplaced ? "new2" : "old2");
    ASSERT_EQ(static_cast<int>(prompts.Boxes.size()), c.BoxesShown);
    EXPECT_EQ(prompts.Boxes[0].Kind, TKSPromptKind::ConfirmOverwrite);
    EXPECT_EQ(prompts.Boxes[0].Buttons, KSButtonsOverwrite);
    const std::string dest = (a.Out() / "").string();
    EXPECT_EQ(prompts.Boxes[0].Text, "Overwrite file \"" + a.Out().string() + "\\one.txt\" with \"one.txt\"");
    EXPECT_EQ(a.Arc->Options()->OverwriteMode(), c.ModeAfter);
}

INSTANTIATE_TEST_SUITE_P(Answers, OverwritePrompt,
                         ::testing::Values(PromptCase{"Yes", pbYes, true, false, 2, omPrompt},
                                           PromptCase{"No", pbNo, false, false, 2, omPrompt},
                                           PromptCase{"Closed", pbNone, false, false, 2, omPrompt},
                                           PromptCase{"YesToAll", pbYesToAll, true, true, 1, omAlways},
                                           PromptCase{"NoToAll", pbNoToAll, false, false, 1, omNever}),
                         [](const auto& info) { return std::string(info.param.Label); });

TEST(Extract, ReadOnlyTargetIsReplacedOnlyWhenAllowed) {
    for (bool replace : {true, false}) {
        ZipWriter w;
        w.AddFile("ro.txt", "new");
        OpenedArchive a(w.Finish());
        WriteText(a.OutFile("ro.txt"), "old");
        ASSERT_TRUE(KSSetFileAttr(a.OutFile("ro.txt").u16string(), faReadOnly));
        a.Arc->Options()->SetReplaceReadOnly(replace);
        FailureLog log;
        log.Attach(*a.Arc, fxaIgnore);
        a.Arc->ExtractFiles(u"*", kAllAttr, u"");
        EXPECT_TRUE(log.Natives.empty());
        EXPECT_EQ(ReadText(a.OutFile("ro.txt")), replace ? "new" : "old");
    }
}

TEST(Extract, StoredAttributesAreApplied) {
    ZipWriter w;
    w.AddFile("ro.txt", "x", {.externalAttr = faReadOnly | faArchive});
    w.AddFile("run.sh", "#!/bin/sh\n", {.externalAttr = (0100755u << 16), .versionMadeBy = 3 << 8 | 30});
    OpenedArchive a(w.Finish());
    a.Arc->ExtractFiles(u"*", kAllAttr, u"");
    EXPECT_TRUE(KSGetFileAttr(a.OutFile("ro.txt").u16string()) & faReadOnly);
#ifndef _WIN32
    // Windows keeps only the DOS bits of a Unix-made item (tests/windows checks that).
    const auto perms = fs::status(a.OutFile("run.sh")).permissions();
    EXPECT_NE(perms & fs::perms::owner_exec, fs::perms::none);
#endif
}

#ifndef _WIN32
// Unix permissions of Unix-made items, for new files and for files replaced by extraction: the
// stored bits filtered by the umask, never setuid; without SetAttributes the plain default.
TEST(Extract, UnixPermissionsOfNewAndReplacedFiles) {
    struct Case {
        uint32_t Mode;
        bool SetAttributes, Existing;
        unsigned Expected;
    };
    const Case cases[] = {
        {0100755, true, false, 0750},  {0100644, true, false, 0640}, {0100444, true, false, 0440},
        {0104755, true, false, 0750},  {0100600, true, true, 0600},  {0100755, true, true, 0750},
        {0100755, false, false, 0640}, {0100755, false, true, 0640},
    };
    const mode_t old = umask(027);
    for (const Case& c : cases) {
        ZipWriter w;
        w.AddFile("f.bin", "data", {.externalAttr = c.Mode << 16, .versionMadeBy = 3 << 8 | 30});
        OpenedArchive a(w.Finish());
        if (c.Existing) {
            std::ofstream(a.OutFile("f.bin")) << "previous";
            fs::permissions(a.OutFile("f.bin"), fs::perms(0666));
        }
        a.Arc->Options()->SetSetAttributes(c.SetAttributes);
        a.Arc->Options()->SetOverwriteMode(omAlways);
        a.Arc->ExtractFiles(u"*", kAllAttr, u"");
        EXPECT_EQ(ReadText(a.OutFile("f.bin")), "data");
        EXPECT_EQ(static_cast<unsigned>(fs::status(a.OutFile("f.bin")).permissions()), c.Expected)
            << std::oct << c.Mode << " set=" << c.SetAttributes << " existing=" << c.Existing;
    }
    umask(old);
}
#endif

// ---- failed items and the failure loop -------------------------------------------------------------

TEST(Extract, FailedCheckRemovesTheOutputUnlessCorruptedFilesAreKept) {
    for (bool keep : {false, true}) {
        ZipWriter w;
        w.AddFile("crc.txt", "payload", {.crc32 = 0xDEADBEEF});
        w.AddFile("d64.bin", "payload", {.method = 9});
        OpenedArchive a(w.Finish());
        a.Arc->SetExtractCorruptedFiles(keep);
        FailureLog log;
        log.Attach(*a.Arc, fxaIgnore);
        a.Arc->ExtractFiles(u"*", kAllAttr, u"");
        EXPECT_EQ(fs::exists(a.OutFile("crc.txt")), keep);
        if (keep) {
            EXPECT_EQ(ReadText(a.OutFile("crc.txt")), "payload");
            EXPECT_EQ(a.Arc->LastRunReport().Items[0].Outcome, TKSItemOutcome::Corrupted);
        }
        EXPECT_FALSE(fs::exists(a.OutFile("d64.bin")));
        const std::vector<int32_t> expected = keep ? std::vector<int32_t>{55} : std::vector<int32_t>{8, 55};
        EXPECT_EQ(log.Natives, expected);
    }
}

TEST(Extract, FailureActionsRetryIgnoreAbort) {
    struct Case {
        TKSAction Answer;
        bool SecondWritten;
        bool ThirdWritten;
    };
    for (const Case c :
         {Case{fxaRetry, true, true}, Case{fxaIgnore, false, true}, Case{fxaAbort, false, false}}) {
        ZipWriter w;
        w.AddFile("1.txt", "one");
        w.AddFile("2.txt", "two");
        w.AddFile("3.txt", "three");
        OpenedArchive a(w.Finish());
        // A folder where the second file goes makes its creation fail with native 19.
        fs::create_directories(a.OutFile("2.txt"));
        int calls = 0;
        a.Arc->FOnProcessFileFailure = [&](TComponent*, const TKSString& n, TKSProcessOperation op,
                                           int32_t native, int32_t code, const TKSString& msg,
                                           TKSAction& act) {
            ++calls;
            EXPECT_EQ(act, fxaIgnore);
            EXPECT_EQ(n, u"2.txt");
            EXPECT_EQ(op, poExtract);
            EXPECT_EQ(native, 19);
            EXPECT_EQ(code, KSErrorCodeOf(19));
            EXPECT_NE(msg.find(u"Native error: 00019"), TKSString::npos);
            if (c.Answer == fxaRetry)
                fs::remove(a.OutFile("2.txt")); // the cause goes away before the retry
            act = c.Answer;
        };
        EXPECT_NO_THROW(a.Arc->ExtractFiles(u"*", kAllAttr, u""));
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(ReadText(a.OutFile("1.txt")), "one");
        EXPECT_EQ(fs::is_regular_file(a.OutFile("2.txt")), c.SecondWritten);
        EXPECT_EQ(fs::exists(a.OutFile("3.txt")), c.ThirdWritten);
        const auto& rep = a.Arc->LastRunReport();
        EXPECT_EQ(rep.Aborted, c.Answer == fxaAbort);
        EXPECT_EQ(rep.Items[2].Outcome, c.ThirdWritten ? TKSItemOutcome::Done : TKSItemOutcome::NotReached);
    }
}

TEST(Extract, FailurePromptWithoutHandler) {
    struct Case {
        TKSPromptButton Button;
        bool ThirdWritten;
        int Boxes;
    };
    for (const Case c :
         {Case{pbRetry, true, 2}, Case{pbIgnore, true, 1}, Case{pbAbort, false, 1}, Case{pbNone, false, 1}}) {
        ZipWriter w;
        w.AddFile("1.txt", "one");
        w.AddFile("2.txt", "two");
        w.AddFile("3.txt", "three");
        OpenedArchive a(w.Finish());
        fs::create_directories(a.OutFile("2.txt"));
        test::ScriptedPrompts prompts;
        prompts.AnswerBox(c.Button);
        prompts.AnswerBox(pbIgnore); // a retry fails again and is then ignored
        EXPECT_NO_THROW(a.Arc->ExtractFiles(u"*", kAllAttr, u""));
        ASSERT_EQ(static_cast<int>(prompts.Boxes.size()), c.Boxes);
        const auto& box = prompts.Boxes[0];
        EXPECT_EQ(box.Kind, TKSPromptKind::FileFailure);
        EXPECT_EQ(box.Buttons, KSButtonsAbortRetryIgnore);
        const std::string suffix = " - Native error: 00019. File processing error, possibly disk is full";
        ASSERT_GE(box.Text.size(), suffix.size());
        EXPECT_EQ(box.Text.substr(box.Text.size() - suffix.size()), suffix);
        EXPECT_NE(box.Text.find("Cannot create file"), std::string::npos);
        EXPECT_EQ(fs::exists(a.OutFile("3.txt")), c.ThirdWritten);
    }
}

TEST(Extract, Native45EndsTheRunWithoutAPrompt) {
    ZipWriter w;
    w.AddFile("1.txt", "one");
    w.AddFile("2.txt", "two");
    OpenedArchive a(w.Finish());
    test::ScriptedPrompts prompts;
    a.Arc->FOnConfirmProcessFile = [&](TComponent* s, const TKSString&, TKSProcessOperation, bool&) {
        throw EKSException(KSNE_OpenVolume, s); // the volume could not be opened
    };
    EXPECT_NO_THROW(a.Arc->ExtractFiles(u"*", kAllAttr, u""));
    EXPECT_TRUE(prompts.Boxes.empty());
    const auto& rep = a.Arc->LastRunReport();
    EXPECT_TRUE(rep.Aborted);
    EXPECT_EQ(rep.Items[0].Outcome, TKSItemOutcome::Failed);
    EXPECT_EQ(rep.Items[1].Outcome, TKSItemOutcome::NotReached);
}

TEST(Extract, NotConfirmedItemsAreLeftOut) {
    ZipWriter w;
    w.AddFile("1.txt", "one");
    w.AddFile("2.txt", "two");
    OpenedArchive a(w.Finish());
    a.Arc->FOnConfirmProcessFile = [&](TComponent*, const TKSString& n, TKSProcessOperation, bool& ok) {
        EXPECT_TRUE(ok);
        ok = n != u"1.txt";
    };
    a.Arc->ExtractFiles(u"*", kAllAttr, u"");
    EXPECT_FALSE(fs::exists(a.OutFile("1.txt")));
    EXPECT_TRUE(fs::exists(a.OutFile("2.txt")));
    EXPECT_EQ(a.Arc->LastRunReport().Items[0].Outcome, TKSItemOutcome::Skipped);
}

// ---- cancellation, events and the lock --------------------------------------------------------------

TEST(Extract, CancelAtTheFirstStartCreatesNothingButEndsTheRun) {
    ZipWriter w;
    w.AddFile("1.txt", "one");
    w.AddFile("2.txt", "two");
    OpenedArchive a(w.Finish());
    std::vector<TKSProgressPhase> overall;
    a.Arc->FOnOverallProgress = [&](TComponent*, double, TKSProcessOperation, TKSProgressPhase ph, bool&) {
        overall.push_back(ph);
    };
    a.Arc->FOnFileProgress = [&](TComponent*, const TKSString&, double, TKSProcessOperation,
                                 TKSProgressPhase ph, bool& cancel) {
        if (ph == ppStart)
            cancel = true;
    };
    a.Arc->ExtractFiles(u"*", kAllAttr, u"");
    EXPECT_FALSE(fs::exists(a.OutFile("1.txt")));
    EXPECT_FALSE(fs::exists(a.OutFile("2.txt")));
    ASSERT_EQ(overall.size(), 2u);
    EXPECT_EQ(overall.front(), ppStart);
    EXPECT_EQ(overall.back(), ppEnd);
    EXPECT_TRUE(a.Arc->LastRunReport().Cancelled);
}

TEST(Extract, CancelAtTheRunStartSkipsTheEndEvent) {
    ZipWriter w;
    w.AddFile("1.txt", "one");
    OpenedArchive a(w.Finish());
    int events = 0;
    a.Arc->FOnOverallProgress = [&](TComponent*, double, TKSProcessOperation, TKSProgressPhase,
                                    bool& cancel) {
        ++events;
        cancel = true;
    };
    a.Arc->ExtractFiles(u"*", kAllAttr, u"");
    EXPECT_EQ(events, 1);
    EXPECT_FALSE(fs::exists(a.OutFile("1.txt")));
}

TEST(Extract, EventsOfOneItemInOrder) {
    ZipWriter w;
    w.AddFile("dir/a.txt", "aaa");
    OpenedArchive a(w.Finish());
    std::vector<std::string> order;
    auto& A = *a.Arc;
    A.FOnOverallProgress = [&](TComponent*, double p, TKSProcessOperation, TKSProgressPhase ph, bool&) {
        order.push_back("overall" + std::to_string(static_cast<int>(ph)) + ":" +
                        std::to_string(static_cast<int>(p)));
    };
    A.FOnConfirmProcessFile = [&](TComponent*, const TKSString& n, TKSProcessOperation, bool&) {
        order.push_back("confirm:" + KSWideToUtf8(n));
    };
    A.FOnFileProgress = [&](TComponent*, const TKSString& n, double p, TKSProcessOperation,
                            TKSProgressPhase ph, bool&) {
        order.push_back("file" + std::to_string(static_cast<int>(ph)) + ":" + KSWideToUtf8(n) + ":" +
                        std::to_string(static_cast<int>(p)));
    };
    A.FOnExtractFile = [&](TComponent*, TKSString& n, uint32_t&, const AnsiString&) {
        order.push_back("extract:" + KSWideToUtf8(n));
    };
    A.ExtractFiles(u"*", kAllAttr, u"");
    // A deflated item reports before each decoder call: the one call of this small item starts at 0.
    const std::vector<std::string> expected = {
        "overall0:0",         "confirm:dir\\a.txt", "file0:dir\\a.txt:0",   "extract:dir\\a.txt",
        "file1:dir\\a.txt:0", "overall1:0",         "file2:dir\\a.txt:100", "overall2:100"};
    EXPECT_EQ(order, expected);
}

// True when another thread can take (and then releases) the engine's batch lock right now.
bool OtherThreadGetsTheLock() {
    bool got = false;
    std::thread t([&] {
        got = FCSect().TryEnter();
        if (got)
            FCSect().Leave();
    });
    t.join();
    return got;
}

TEST(Extract, TheLockIsHeldAcrossTheBatch) {
    ZipWriter w;
    w.AddFile("1.txt", "one");
    w.AddFile("2.txt", "two");
    OpenedArchive a(w.Finish());
    std::vector<bool> otherThreadGotIt;
    a.Arc->FOnFileProgress = [&](TComponent*, const TKSString&, double, TKSProcessOperation,
                                 TKSProgressPhase ph, bool&) {
        if (ph != ppStart)
            return;
        otherThreadGotIt.push_back(OtherThreadGetsTheLock());
    };
    a.Arc->ExtractFiles(u"*", kAllAttr, u"");
    EXPECT_EQ(otherThreadGotIt, (std::vector<bool>{false, false}));
    EXPECT_TRUE(OtherThreadGetsTheLock());
}

TEST(Extract, LockIsReleasedWhenAnOtherExceptionEscapes) {
    ZipWriter w;
    w.AddFile("1.txt", "one");
    OpenedArchive a(w.Finish());
    a.Arc->FOnConfirmProcessFile = [](TComponent*, const TKSString&, TKSProcessOperation, bool&) {
        throw std::runtime_error("handler failed");
    };
    EXPECT_THROW(a.Arc->ExtractFiles(u"*", kAllAttr, u""), std::runtime_error);
    EXPECT_TRUE(OtherThreadGetsTheLock());
}

// ---- the test operation ------------------------------------------------------------------------------

TEST(TestRun, ChecksEveryItemAndWritesNothing) {
    ZipWriter w;
    w.AddDirectory("d/");
    w.AddFile("d/good.txt", "good");
    w.AddFile("bad.txt", "bad", {.crc32 = 1});
    OpenedArchive a(w.Finish());
    FailureLog log;
    log.Attach(*a.Arc, fxaIgnore);
    a.Arc->TestFiles(u"*", kAllAttr, u"");
    EXPECT_EQ(log.Natives, std::vector<int32_t>{8});
    EXPECT_EQ(log.Names, std::vector<TKSString>{u"bad.txt"});
    EXPECT_TRUE(fs::is_empty(a.Out()));
    const auto& rep = a.Arc->LastRunReport();
    EXPECT_EQ(rep.Operation, poTest);
    ASSERT_EQ(rep.Items.size(), 3u);
    EXPECT_EQ(rep.Items[1].Outcome, TKSItemOutcome::Done);
    EXPECT_EQ(rep.Items[2].Outcome, TKSItemOutcome::Failed);
}

} // namespace
} // namespace ks
