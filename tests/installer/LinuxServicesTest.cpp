// The Linux services behind the installer's decisions: settings store, folders, shortcut text,
// rename, font registration.
#include <QDir>
#include <QFile>
#include <QSettings>
#include <gtest/gtest.h>

#include "WidgetTestSupport.h"
#include "installer/qt/LinuxOsServices.h"
#include "platform/KSException.h"

namespace ks::inst::test {
namespace {

TEST(LinuxServices, AppPathFromTheSettingsStore) {
    TLinuxOsServices Os;
    QSettings(QStringLiteral("Larkspur"), QStringLiteral("Ferrovan")).clear();
    EXPECT_EQ(Os.ReadAppPath("Ferrovan"), std::nullopt);
    {
        QSettings S(QStringLiteral("Larkspur"), QStringLiteral("Ferrovan"));
        S.setValue("Other", 1);
    }
    EXPECT_EQ(Os.ReadAppPath("Ferrovan"), AnsiString()); // the key without the value
    {
        QSettings S(QStringLiteral("Larkspur"), QStringLiteral("Ferrovan"));
        S.setValue("AppPath", QString::fromUtf8("/opt/Fű/"));
    }
    EXPECT_EQ(Os.ReadAppPath("Ferrovan"), AnsiString("/opt/Fű/"));
    QSettings(QStringLiteral("Larkspur"), QStringLiteral("Ferrovan")).clear();
}

TEST(LinuxServices, DocumentsFolderMustExist) {
    TLinuxOsServices Os;
    EXPECT_EQ(Os.DocumentsFolder(), (TestHome + "/Documents").toStdString());
    QDir(TestHome + "/Documents").removeRecursively();
    EXPECT_EQ(Os.DocumentsFolder(), std::nullopt);
    QDir().mkpath(TestHome + "/Documents");
    EXPECT_EQ(Os.MountPointOf("/"), "/");
}

TEST(LinuxServices, DesktopEntryQuotesTheProgram) {
    struct {
        const char* Target;
        const char* Exec;
    } Cases[] = {{"/opt/Ferrovan/Ferrovan.exe", "Exec=\"/opt/Ferrovan/Ferrovan.exe\""},
                 {"/home/u/Új mappa/Ferrovan.exe", "Exec=\"/home/u/Új mappa/Ferrovan.exe\""},
                 {"/tmp/a$b`c\"d\\e/F.exe", "Exec=\"/tmp/a\\$b\\`c\\\"d\\\\e/F.exe\""}};
    for (const auto& C : Cases) {
        const AnsiString T = DesktopEntryText("Ferrovan", C.Target, "/w/");
        EXPECT_NE(T.find(AnsiString("\n") + C.Exec + "\n"), AnsiString::npos) << T;
        EXPECT_EQ(T.rfind("[Desktop Entry]\nType=Application\n", 0), 0U);
        EXPECT_NE(T.find("\nPath=/w/\n"), AnsiString::npos);
    }
}

TEST(LinuxServices, RenameNeverReplaces) {
    TLinuxOsServices Os;
    const AnsiString A = (TestHome + "/ren-a").toStdString(), B = (TestHome + "/ren-b").toStdString();
    Os.WriteNewFile(A, std::vector<uint8_t>{'a'});
    Os.WriteNewFile(B, std::vector<uint8_t>{'b'});
    EXPECT_FALSE(Os.MoveFile(A, B));
    EXPECT_TRUE(Os.DeleteFile(B));
    EXPECT_TRUE(Os.MoveFile(A, B));
    EXPECT_FALSE(Os.FileExists(A));
    EXPECT_THROW(Os.WriteNewFile((TestHome + "/nincs/x").toStdString(), std::vector<uint8_t>{1}), Exception);
}

TEST(LinuxServices, FontCountsTheFacesAdded) {
    TLinuxOsServices Os;
    const AnsiString Fonts = TLinuxOsServices::UserFontFolder();
    const AnsiString NotAFont = (TestHome + "/hamis.ttf").toStdString();
    Os.WriteNewFile(NotAFont, std::vector<uint8_t>(64, 'x'));
    EXPECT_EQ(Os.AddFontResource(NotAFont), 0);
    EXPECT_FALSE(Os.FileExists(Fonts + "/hamis.ttf")); // not left among the user's fonts
    const AnsiString Real = (TestHome + "/IDAutomationHC39M_Free.ttf").toStdString();
    ASSERT_TRUE(Os.CopyFile(KS_PAYLOAD_FONT, Real));
    EXPECT_EQ(Os.AddFontResource(Real), 1);
    EXPECT_TRUE(Os.FileExists(Fonts + "/IDAutomationHC39M_Free.ttf"));
}

} // namespace
} // namespace ks::inst::test
