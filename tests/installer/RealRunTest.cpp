// The installation run over the real engine and the embedded payload, in the test's own HOME:
// a first run in folder-choice mode over a leftover data archive, then a run in update mode.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>
#include <optional>

#include "InstallerFakes.h"
#include "WidgetTestSupport.h"
#include "archive/Kestrel.h"
#include "installer/core/InstallerTexts.h"
#include "installer/core/KestrelInstallArchive.h"
#include "installer/core/MainLogic.h"
#include "installer/qt/LinuxOsServices.h"
#include "installer/qt/Payload.h"
#include "installer/qt/QtPrompts.h"
#include "installer/qt/TfrmMain.h"
#include "platform/KSCodePages.h"
#include "platform/KSFiles.h"
#include "platform/KSStrings.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/ZipWriter.h"
#include "ui_frmMain.h"

namespace ks::inst::test {
namespace {

QByteArray ReadAll(const QString& P) {
    QFile F(P);
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray();
}

QString WaitForText(const QString& P, const QString& Needle, int Ms) {
    QElapsedTimer T;
    T.start();
    while (T.elapsed() < Ms) {
        const QString S = QString::fromUtf8(ReadAll(P));
        if (S.contains(Needle))
            return S;
        QThread::msleep(50);
    }
    return QString::fromUtf8(ReadAll(P));
}

class RealRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        KSSetPrompts(&Prompts);
        QSettings(QStringLiteral("Larkspur"), QStringLiteral("Ferrovan")).clear();
        Parent = TestHome + "/realrun";
        QDir(Parent).removeRecursively();
        QDir().mkpath(Parent);
        Target = Parent + "/Ferrovan/";
    }
    void TearDown() override {
        KSSetPrompts(nullptr);
        QSettings(QStringLiteral("Larkspur"), QStringLiteral("Ferrovan")).clear();
    }
    // Runs the installer window once: positions the list at Parent (folder-choice mode) and
    // presses "Telepítés indítása".
    QStringList RunOnce(bool* UpdateMode = nullptr) {
        TBoxAnswerer Answers;
        TfrmMain Form(PayloadBytes());
        if (UpdateMode)
            *UpdateMode = !Form.ui->pnlUpdate->isHidden();
        if (Form.ui->pnlUpdate->isHidden())
            Form.ui->Dir->SetDirectory(Parent);
        Form.show();
        Form.ui->btnRun->click();
        EXPECT_FALSE(Form.isVisible()); // the window closes after the final message
        return Answers.Texts;
    }
    TQtPrompts Prompts;
    QString Parent, Target;
};

TEST_F(RealRunTest, InstallsThePayloadOverALeftoverDataArchive) {
    // A data archive left by an interrupted run, carrying a file that must not be installed.
    QDir().mkpath(Target);
    {
        ks::test::ZipWriter W;
        W.AddFile("Ferrovan.exe", "stale");
        W.AddFile("planted.txt", "planted");
        const auto Bytes = W.Finish();
        QFile F(Target + "DataPack.zip");
        ASSERT_TRUE(F.open(QIODevice::WriteOnly));
        F.write(reinterpret_cast<const char*>(Bytes.data()), static_cast<qint64>(Bytes.size()));
    }

    EXPECT_EQ(RunOnce(), QStringList{QString::fromUtf8(txt::Success)});

    const QFileInfo Exe(Target + "Ferrovan.exe");
    EXPECT_TRUE(Exe.isFile());
    EXPECT_GT(Exe.size(), 1000);
    EXPECT_TRUE(Exe.isExecutable());
    EXPECT_FALSE(QFileInfo::exists(Target + "planted.txt"));
    for (const char* F :
         {"Olvass_el.html", "Licenc.html", "IDAutomationHC39M_Free.ttf", "Kezikonyv_elemei/index.html",
          "Kezikonyv_elemei/kepek/stilus.css", "Kezikonyv_elemei/fejezetek/02_kitoltes.html",
          "Adatlap/urlapok/alap.xml", "Adatlap/sablonok/Árvíztűrő tükörfúrógép.xml",
          "PyLib/xml/dom/__init__.py", "PyLib/json/decoder.py", "Torzs/Torzs10018.pck"})
        EXPECT_TRUE(QFileInfo(Target + QString::fromUtf8(F)).isFile()) << F;
    for (const char* F :
         {"DataPack.zip", "DataPack.res", "Torzs.zip", "PyLib.zip", "Adatlap.zip", "Kezikonyv_elemei.zip",
          "PyLib/PyLib.zip", "Adatlap/Adatlap.zip", "Kezikonyv_elemei/Kezikonyv_elemei.zip"})
        EXPECT_FALSE(QFileInfo::exists(Target + F)) << F;
    EXPECT_EQ(ReadAll(Target + "Torzs/Torzs10018.pck"), ReadAll(KS_PAYLOAD_DIR "/Torzs.zip"));
    EXPECT_EQ(KSGetFileAttr((Target + "PyLib").toStdU16String()) & 6U, 6U);

    const QString Desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    const QString Entry = QString::fromUtf8(ReadAll(Desktop + "/Ferrovan.desktop"));
    EXPECT_TRUE(Entry.contains("Exec=\"" + Target + "Ferrovan.exe\"")) << Entry.toStdString();
    EXPECT_TRUE(Entry.contains("Path=" + Target));
    EXPECT_TRUE(QFileInfo(Desktop + "/Ferrovan.desktop").isExecutable());
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(TLinuxOsServices::UserFontFolder()) +
                                  "/IDAutomationHC39M_Free.ttf"));

    // The sample application was started with FIRST_RUN in the target and stored its folder.
    const QString Log = WaitForText(Target + "Ferrovan.log", "pid=", 10000);
    EXPECT_TRUE(Log.contains("args=FIRST_RUN\n")) << Log.toStdString();
    EXPECT_TRUE(Log.contains("cwd=" + QDir::cleanPath(Target) + "\n")) << Log.toStdString();

    // The next run opens in update mode over the same folder.
    bool Update = false;
    {
        QSettings S(QStringLiteral("Larkspur"), QStringLiteral("Ferrovan"));
        S.sync();
        EXPECT_EQ(S.value("AppPath").toString(), Target) << S.fileName().toStdString();
    }
    EXPECT_EQ(RunOnce(&Update), QStringList{QString::fromUtf8(txt::Success)});
    EXPECT_TRUE(Update);
    QElapsedTimer T;
    T.start();
    while (QString::fromUtf8(ReadAll(Target + "Ferrovan.log")).count("args=FIRST_RUN") < 2 &&
           T.elapsed() < 10000)
        QThread::msleep(50);
    EXPECT_EQ(QString::fromUtf8(ReadAll(Target + "Ferrovan.log")).count("args=FIRST_RUN"), 2);
}

TEST_F(RealRunTest, ApplicationFileThatCannotBeWrittenIsReported) {
    // A folder in place of the application file: the component cannot write it and asks; the
    // answer Ignore leaves it out, and the final message says the program is running.
    QDir().mkpath(Target + "Ferrovan.exe/benn");
    const QStringList Texts = RunOnce();
    ASSERT_EQ(Texts.size(), 2);
    EXPECT_TRUE(Texts[0].endsWith(". File processing error, possibly disk is full"))
        << Texts[0].toStdString();
    EXPECT_EQ(Texts[1], QString::fromUtf8(txt::AppRunning));
    EXPECT_TRUE(QFileInfo::exists(Target + "Olvass_el.html")); // the other items are installed
}

TEST(RealRunItems, EachItemIsWrittenOnce) {
    // Same-named items in several folders, as a Python library has them.
    ks::test::ZipWriter Nested;
    const char* Names[] = {"a/__init__.py", "b/__init__.py", "a/b/__init__.py", "__init__.py", "a/",
                           "a/x.py"};
    for (const char* N : Names) {
        if (AnsiString(N).back() == '/')
            Nested.AddDirectory(N);
        else
            Nested.AddFile(N, AnsiString("content of ") + N);
    }
    const auto NestedBytes = Nested.Finish();
    ks::test::ZipWriter Outer;
    Outer.AddFile("Ferrovan.exe", "exe");
    Outer.AddFile("PyLib.zip", std::span<const uint8_t>(NestedBytes), {.method = 0});
    const auto Payload = Outer.Finish();

    const QString Parent = TestHome + "/items-once";
    QDir(Parent).removeRecursively();
    QDir().mkpath(Parent);
    FakeView View;
    View.Shortcut = false;
    TLinuxOsServices Os;
    TKestrel Kestrel;
    TKestrelInstallArchive Archive(Kestrel);
    std::map<AnsiString, int> Written;
    Kestrel.FOnExtractFile = [&](TComponent*, TKSString& FileName, uint32_t&, const AnsiString&) {
        ++Written[WideToUtf8(FileName)];
    };
    TMainLogic Logic(View, Os, Archive, Payload, nullptr);
    Logic.FormCreate();
    View.Dir = Parent.toStdString();
    View.UpdateVisible = false;
    Logic.btnRunClick();
    EXPECT_EQ(View.Messages, std::vector<AnsiString>{txt::Success});
    for (const char* N : Names) {
        const QString P = Parent + "/Ferrovan/PyLib/" + QString::fromUtf8(N);
        if (AnsiString(N).back() == '/') {
            EXPECT_TRUE(QFileInfo(P).isDir()) << N;
        } else {
            EXPECT_EQ(ReadAll(P), QByteArray("content of ") + N) << N;
        }
    }
    ASSERT_FALSE(Written.empty());
    for (const auto& [Name, Count] : Written)
        EXPECT_EQ(Count, 1) << Name;
    EXPECT_EQ(Written.size(), 2U + std::size(Names)); // Ferrovan.exe, PyLib.zip and the nested items
}

// An encrypted item whose password was stored in the ANSI code page (as Windows writers store it)
// or as UTF-8 (as Linux writers do): the text typed into the dialog is tried in the ANSI code page
// and then as UTF-8, so one question installs either; a cancelled dialog leaves the item out and
// the final message says so.
struct TPasswordCase {
    const char* Label;
    const char* StoredPassword;
    std::optional<std::string> Answer;
    bool Installed;
};
class RealRunPassword : public ::testing::TestWithParam<TPasswordCase> {};

TEST_P(RealRunPassword, DialogTextIsTriedInBothEncodings) {
    const TPasswordCase& C = GetParam();
    ks::test::ZipWriter Outer;
    Outer.AddFile("Ferrovan.exe", "exe");
    Outer.AddFile("Olvass_el.html", "<p>titok</p>", {.password = std::string(C.StoredPassword)});
    const auto Payload = Outer.Finish();

    const QString Parent = TestHome + "/password-" + C.Label;
    QDir(Parent).removeRecursively();
    QDir().mkpath(Parent);
    const TKSCodePage Ansi = KSAnsiCodePage();
    ASSERT_TRUE(KSSetAnsiCodePage(1252)); // "ó" is one byte there, two in UTF-8
    struct TRestore {
        TKSCodePage Page;
        ~TRestore() { KSSetAnsiCodePage(Page); }
    } Restore{Ansi};
    ks::test::ScriptedPrompts Prompts;
    Prompts.AnswerPassword(C.Answer);
    FakeView View;
    View.Shortcut = false;
    TLinuxOsServices Os;
    TKestrel Kestrel;
    TKestrelInstallArchive Archive(Kestrel);
    TMainLogic Logic(View, Os, Archive, Payload, nullptr);
    Logic.FormCreate();
    View.Dir = Parent.toStdString();
    View.UpdateVisible = false;
    Logic.btnRunClick();

    EXPECT_EQ(Prompts.Passwords.size(), 1U);
    EXPECT_EQ(View.Messages, std::vector<AnsiString>{C.Installed ? txt::Success : txt::NotAllFiles});
    const QString P = Parent + "/Ferrovan/Olvass_el.html";
    if (C.Installed)
        EXPECT_EQ(ReadAll(P), QByteArray("<p>titok</p>"));
    else
        EXPECT_FALSE(QFileInfo::exists(P));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, RealRunPassword,
    ::testing::Values(TPasswordCase{"ansi", "jelsz\xF3", std::string("jelsz\xC3\xB3"), true},
                      TPasswordCase{"utf8", "jelsz\xC3\xB3", std::string("jelsz\xC3\xB3"), true},
                      TPasswordCase{"cancelled", "jelsz\xF3", std::nullopt, false}),
    [](const auto& I) { return std::string(I.param.Label); });

} // namespace
} // namespace ks::inst::test
