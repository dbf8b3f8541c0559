// Event raisers: what a handler receives and returns, and the built-in defaults with their exact
// prompt texts, buttons and answer mappings when no handler is assigned.
#include <gtest/gtest.h>

#include <string>

#include "archive/KSConst.h"
#include "archive/KSExcept.h"
#include "archive/KSPrompts.h"
#include "archive/Kestrel.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/ZipWriter.h"

namespace ks {
namespace {

TEST(Events, ProgressDefaultsClearTheCancelFlag) {
    TKestrel k;
    bool cancel = true;
    k.DoOnOverallProgress(10, poExtract, ppProcess, cancel);
    EXPECT_FALSE(cancel);
    cancel = true;
    k.DoOnFileProgress(u"a/b", 10, poExtract, ppProcess, cancel);
    EXPECT_FALSE(cancel);
    cancel = true;
    k.DoOnCopyTempFileProgress(10, ppProcess, cancel);
    EXPECT_FALSE(cancel);
}

TEST(Events, HandlersGetBackslashedNamesAndVolumeNumbersPlusOne) {
    TKestrel k;
    TKSString progressName, extractName;
    int32_t diskFullVolume = -100, blankVolume = -100, middleVolume = -100;
    k.FOnFileProgress = [&](TComponent* s, const TKSString& n, double, TKSProcessOperation, TKSProgressPhase,
                            bool& c) {
        EXPECT_EQ(s, &k);
        progressName = n;
        c = true;
    };
    k.FOnExtractFile = [&](TComponent*, TKSString& n, uint32_t& attr, const AnsiString& comment) {
        extractName = n;
        EXPECT_EQ(comment, "note");
        attr = 7;
    };
    k.FOnDiskFull = [&](TComponent*, int32_t v, const TKSString&, bool&) { diskFullVolume = v; };
    k.FOnRequestBlankVolume = [&](TComponent*, int32_t v, TKSString&, bool&) { blankVolume = v; };
    k.FOnRequestMiddleVolume = [&](TComponent*, int32_t v, TKSString&, bool&) { middleVolume = v; };
    bool cancel = false;
    k.DoOnFileProgress(u"a/b/c.txt", 50, poExtract, ppProcess, cancel);
    EXPECT_TRUE(cancel);
    EXPECT_EQ(progressName, u"a\\b\\c.txt");
    TKSString name = u"x/y.txt";
    uint32_t attr = 0;
    k.DoOnExtractFile(name, attr, "note");
    EXPECT_EQ(extractName, u"x\\y.txt");
    EXPECT_EQ(name, u"x\\y.txt");
    EXPECT_EQ(attr, 7u);
    k.DoOnDiskFull(-1, u"a.zip", cancel);
    EXPECT_EQ(diskFullVolume, 0);
    TKSString vol = u"a.zip";
    k.DoOnRequestBlankVolume(-1, vol, cancel);
    EXPECT_EQ(blankVolume, 1); // a negative number is taken as the first volume
    k.DoOnRequestMiddleVolume(2, vol, cancel);
    EXPECT_EQ(middleVolume, 3);
}

TEST(Events, ConfirmProcessFileStartsTrue) {
    TKestrel k;
    bool confirm = false;
    k.DoOnConfirmProcessFile(u"a", poExtract, confirm);
    EXPECT_TRUE(confirm);
    bool seen = false;
    k.FOnConfirmProcessFile = [&](TComponent*, const TKSString&, TKSProcessOperation op, bool& c) {
        seen = c;
        EXPECT_EQ(op, poTest);
        c = false;
    };
    confirm = false;
    k.DoOnConfirmProcessFile(u"a", poTest, confirm);
    EXPECT_TRUE(seen);
    EXPECT_FALSE(confirm);
}

TEST(Events, PasswordDialog) {
    TKestrel k;
    {
        test::ScriptedPrompts prompts;
        prompts.AnswerPassword(std::nullopt); // cancelled
        AnsiString pw = "old";
        bool skip = false;
        k.DoOnPassword(u"dir/ő.txt", pw, skip);
        EXPECT_TRUE(skip);
        EXPECT_EQ(pw, "old");
        ASSERT_EQ(prompts.Passwords.size(), 1u);
        EXPECT_EQ(prompts.Passwords[0].Caption, "Password for \"dir/ő.txt\"");
        EXPECT_EQ(prompts.Passwords[0].Prompt, "Enter password: ");
        EXPECT_EQ(prompts.Passwords[0].InitialValue, "");
    }
    {
        test::ScriptedPrompts prompts;
        prompts.AnswerPassword("secret");
        AnsiString pw = "old";
        bool skip = true;
        k.DoOnPassword(u"a", pw, skip);
        EXPECT_FALSE(skip);
        EXPECT_EQ(pw, "secret");
    }
    // With a handler no dialog appears.
    test::ScriptedPrompts prompts;
    k.FOnPassword = [](TComponent*, const TKSString&, AnsiString& pw, bool& skip) {
        pw = "fromhandler";
        skip = false;
    };
    AnsiString pw;
    bool skip = true;
    k.DoOnPassword(u"a", pw, skip);
    EXPECT_EQ(pw, "fromhandler");
    EXPECT_FALSE(skip);
    EXPECT_TRUE(prompts.Passwords.empty());
}

TEST(Events, FailureAnswersWithoutHandler) {
    struct Case {
        TKSPromptButton Button;
        TKSAction Action;
    };
    for (const Case c : {Case{pbRetry, fxaRetry}, Case{pbIgnore, fxaIgnore}, Case{pbAbort, fxaAbort},
                         Case{pbNone, fxaAbort}}) {
        TKestrel k;
        test::ScriptedPrompts prompts;
        prompts.AnswerBox(c.Button);
        TKSAction a = fxaRetry;
        k.DoOnProcessFileFailure(u"f", poExtract, 19, 12,
                                 u"Kestrel: Cannot create file - Native error: 00019", a);
        EXPECT_EQ(a, c.Action);
        ASSERT_EQ(prompts.Boxes.size(), 1u);
        EXPECT_EQ(prompts.Boxes[0].Text, "Kestrel: Cannot create file - Native error: 00019. File processing "
                                         "error, possibly disk is full");
        EXPECT_EQ(prompts.Boxes[0].Buttons, KSButtonsAbortRetryIgnore);
    }
    TKestrel k;
    test::ScriptedPrompts prompts;
    TKSAction a = fxaIgnore;
    k.DoOnProcessFileFailure(u"f", poExtract, 45, 0, u"x", a);
    EXPECT_EQ(a, fxaAbort);
    EXPECT_TRUE(prompts.Boxes.empty());
}

TEST(Events, FailureHandlerStartsWithIgnore) {
    TKestrel k;
    TKSAction seen = fxaAbort;
    k.FOnProcessFileFailure = [&](TComponent*, const TKSString&, TKSProcessOperation, int32_t, int32_t,
                                  const TKSString&, TKSAction& act) { seen = act; };
    TKSAction a = fxaRetry;
    k.DoOnProcessFileFailure(u"f", poExtract, 45, 0, u"x", a);
    EXPECT_EQ(seen, fxaIgnore);
    EXPECT_EQ(a, fxaIgnore);
}

TEST(Events, DiskFullWithoutHandler) {
    TKestrel k;
    test::ScriptedPrompts prompts;
    bool cancel = false;
    k.DoOnDiskFull(-1, u"a.zip", cancel);
    EXPECT_TRUE(cancel); // not spanning: no prompt, cancelled
    EXPECT_TRUE(prompts.Boxes.empty());

    k.SetSpanningMode(smSpanning);
    k.SpanningOptions()->SetVolumeSize(vs1_44MB);
    prompts.AnswerBox(pbOK);
    k.DoOnDiskFull(0, u"/", cancel);
    EXPECT_FALSE(cancel);
    ASSERT_EQ(prompts.Boxes.size(), 1u);
    EXPECT_EQ(prompts.Boxes[0].Kind, TKSPromptKind::DiskFull);
    EXPECT_EQ(prompts.Boxes[0].Text.rfind(
                  "Disk is full. Required free space: 1457664 bytes, but available only: ", 0),
              0u);
    EXPECT_NE(prompts.Boxes[0].Text.find(" bytes. Clean the disk or find another blank disk"),
              std::string::npos);
}

TEST(Events, VolumeRequestsWithoutHandler) {
    test::TempDir dir;
    const TKSString missing = (dir.Path() / "missing.zip").u16string();
    {
        TKestrel k;
        test::ScriptedPrompts prompts;
        k.SetSpanningMode(smSpanning);
        prompts.AnswerBox(pbCancel);
        TKSString name = missing;
        bool cancel = false;
        k.DoOnRequestBlankVolume(-1, name, cancel);
        EXPECT_TRUE(cancel);
        ASSERT_EQ(prompts.Boxes.size(), 1u);
        EXPECT_EQ(prompts.Boxes[0].Text, "Please insert a blank disk #1");
        EXPECT_EQ(prompts.Boxes[0].Buttons, KSButtonsOKCancel);
        prompts.AnswerBox(pbOK);
        k.DoOnRequestMiddleVolume(1, name, cancel);
        EXPECT_FALSE(cancel);
        EXPECT_EQ(prompts.Boxes[1].Text, "Please insert disk #2");
        prompts.AnswerBox(pbOK);
        name = missing;
        k.DoOnRequestFirstVolume(name, cancel);
        EXPECT_EQ(prompts.Boxes[2].Text, "Please insert the first disk");
        // The last disk: asked again while the file is not there.
        prompts.AnswerBox(pbOK);
        prompts.AnswerBox(pbCancel);
        name = missing;
        k.DoOnRequestLastVolume(name, cancel);
        EXPECT_TRUE(cancel);
        ASSERT_EQ(prompts.Boxes.size(), 5u);
        EXPECT_EQ(prompts.Boxes[3].Text, "Please insert the last disk");
        EXPECT_EQ(prompts.Boxes[4].Text,
                  "File '" + KSWideToUtf8(name) +
                      "' not found on inserted disk. Please insert last disk with required file");
    }
    {
        // Splitting: no prompts; a missing volume cancels, creating a first volume does not.
        TKestrel k;
        test::ScriptedPrompts prompts;
        k.SetSpanningMode(smSplitting);
        TKSString name = missing;
        bool cancel = false;
        k.DoOnRequestLastVolume(name, cancel);
        EXPECT_TRUE(cancel);
        name = missing;
        k.DoOnRequestMiddleVolume(0, name, cancel);
        EXPECT_TRUE(cancel);
        name = missing;
        cancel = true;
        k.DoOnRequestBlankVolume(0, name, cancel);
        EXPECT_FALSE(cancel);
        EXPECT_TRUE(prompts.Boxes.empty());
    }
}

TEST(Events, UnexposedVolumeFailureKeepsTheCallersValue) {
    TKestrel k;
    for (bool v : {false, true}) {
        bool cancel = v;
        k.DoOnProcessVolumeFailure(poExtract, 0, u"a.zip", cancel);
        EXPECT_EQ(cancel, v);
    }
}

TEST(Prompts, ClosedDefaultWhenNothingIsInstalled) {
    TKSPrompts& p = KSGetPrompts();
    EXPECT_EQ(p.ConfirmBox(TKSPromptKind::FileFailure, "x", KSButtonsAbortRetryIgnore), pbNone);
    AnsiString v = "keep";
    EXPECT_FALSE(p.PasswordInputQuery("c", "p", v));
    EXPECT_EQ(v, "keep");
}

TEST(Prompts, PasswordDialogGeometry) {
    const TKSPasswordDialogLayout l = KSPasswordDialogLayout(6, 13);
    EXPECT_EQ(l.ClientWidth, 270);
    EXPECT_EQ(l.ClientHeight, 102); // 102.375 rounds down
    EXPECT_EQ(l.LabelLeft, 12);
    EXPECT_EQ(l.LabelTop, 13);
    EXPECT_EQ(l.EditTop, 31); // 30.875
    EXPECT_EQ(l.EditWidth, 246);
    EXPECT_EQ(l.ButtonTop, 67); // 66.625
    EXPECT_EQ(l.ButtonWidth, 75);
    EXPECT_EQ(l.ButtonHeight, 23); // 22.75
    EXPECT_EQ(l.OKLeft, 57);
    EXPECT_EQ(l.CancelLeft, 138);
    EXPECT_EQ(KSMulDivRound(7, 1, 2), 4); // halves round up
}

} // namespace
} // namespace ks
