// The installer window on the offscreen platform: controls, texts, colours, geometry, tab order,
// the stored component settings and the two modes.
#include <QCheckBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <gtest/gtest.h>

#include "WidgetTestSupport.h"
#include "archive/KSProperties.h"
#include "archive/Kestrel.h"
#include "installer/qt/DirectoryListBox.h"
#include "installer/qt/DriveComboBox.h"
#include "installer/qt/Payload.h"
#include "installer/qt/TfrmMain.h"
#include "ui_frmMain.h"

namespace ks::inst::test {
namespace {

const char* Green = "#265527";

void ClearSettings() {
    QSettings S(QStringLiteral("Larkspur"), QStringLiteral("Ferrovan"));
    S.clear();
    S.sync();
}

struct ControlCase {
    const char* Name;
    const char* Parent;
    QRect Geometry; // width/height 0: the control sizes itself, only the position is given
    const char* Text;
    bool Bold;
    int PointSize;
};

const ControlCase Controls[] = {
    {"Panel4", "Panel1", {0, 37, 597, 235}, nullptr, false, 8},
    {"Label1", "Panel4", {8, 9, 0, 0}, "Válassza ki, hová települjön a program", true, 8},
    {"btnUjMappa", "Panel4", {408, 209, 185, 22}, "Új mappa", false, 8},
    {"Drive", "Panel4", {240, 6, 209, 19}, nullptr, false, 8},
    {"Dir", "Panel4", {8, 30, 585, 177}, nullptr, false, 8},
    {"pnlUpdate", "Panel1", {0, 37, 597, 235}, nullptr, false, 8},
    {"Label4", "pnlUpdate", {16, 32, 569, 57}, nullptr, true, 8},
    {"Label5", "pnlUpdate", {16, 136, 569, 17}, "A telepítés helye:", true, 8},
    {"lblPath", "pnlUpdate", {16, 152, 569, 81}, nullptr, true, 12},
    {"Panel5", "pnlUpdate", {8, 109, 585, 2}, nullptr, false, 8},
    {"Panel2", "Panel1", {0, 272, 597, 58}, nullptr, false, 8},
    {"lblWait", "Panel2", {8, 19, 0, 0}, "Kérem várjon...", true, 12},
    {"btnRun", "Panel2", {325, 14, 163, 33}, "Telepítés indítása", true, 12},
    {"btnExit", "Panel2", {493, 14, 99, 33}, "Kilépés", true, 12},
    {"chkShortcut", "Panel2", {16, 3, 305, 17}, "Ikon létrehozása az asztalon", true, 8},
    {"Panel3", "Panel1", {0, 0, 597, 37}, nullptr, false, 8},
    {"Label2", "Panel3", {40, 2, 0, 0}, "GRAV Elektronikus pályázat kitöltő", true, 12},
    {"Label3", "Panel3", {56, 21, 0, 0}, "Telepítő", true, 8},
    {"Image1", "Panel3", {6, 3, 32, 32}, nullptr, false, 8},
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearSettings();
        Form = std::make_unique<TfrmMain>(PayloadBytes());
    }
    QWidget* W(const char* Name) { return Form->findChild<QWidget*>(QString::fromLatin1(Name)); }
    std::unique_ptr<TfrmMain> Form;
};

TEST_F(MainWindowTest, ControlsArePlacedCaptionedAndNested) {
    for (const ControlCase& C : Controls) {
        SCOPED_TRACE(C.Name);
        QWidget* Ctl = W(C.Name);
        ASSERT_NE(Ctl, nullptr);
        ASSERT_NE(Ctl->parentWidget(), nullptr);
        EXPECT_EQ(Ctl->parentWidget()->objectName().toStdString(), C.Parent);
        EXPECT_EQ(Ctl->pos(), C.Geometry.topLeft());
        if (C.Geometry.width() > 0) {
            EXPECT_EQ(Ctl->size(), C.Geometry.size());
        }
        if (C.Text) {
            QString T;
            if (auto* L = qobject_cast<QLabel*>(Ctl))
                T = L->text();
            else if (auto* B = qobject_cast<QAbstractButton*>(Ctl))
                T = B->text();
            EXPECT_EQ(T.toStdString(), C.Text);
        }
        EXPECT_EQ(Ctl->font().bold(), C.Bold);
        EXPECT_EQ(Ctl->font().pointSize(), C.PointSize);
        // The layout asks for the classic dialog font; the toolkit falls back where it is missing.
        EXPECT_EQ(Ctl->font().family().toStdString(), "MS Sans Serif");
    }
    EXPECT_EQ(
        Form->ui->Label4->text().toStdString(),
        "Az Ön számítógépén telepítve van a kitöltőprogram korábbi verziója. Az új verzió telepítése "
        "automatikusan lecseréli a régi verziót.\n\nA korábbi verzióval kitöltött adatlapok megmaradnak.");
    EXPECT_TRUE(Form->ui->Label4->wordWrap());
    EXPECT_TRUE(Form->ui->lblPath->wordWrap());
    EXPECT_TRUE(Form->ui->lblPath->alignment() & Qt::AlignHCenter);
}

TEST_F(MainWindowTest, WindowFrameAndHiddenControls) {
    EXPECT_EQ(Form->windowTitle().toStdString(), "  ");
    EXPECT_EQ(Form->size(), QSize(601, 334));
    EXPECT_EQ(Form->minimumSize(), Form->maximumSize());
    const Qt::WindowFlags F = Form->windowFlags();
    EXPECT_FALSE(F & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(F & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(F & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(F & Qt::WindowSystemMenuHint);
    EXPECT_EQ(W("Panel1")->geometry(), QRect(2, 2, 597, 330)); // the form colour shows as a 2-pixel frame
    EXPECT_TRUE(Form->ui->chkShortcut->isChecked());
    EXPECT_TRUE(Form->ui->chkShortcut->isHidden());
    EXPECT_TRUE(Form->ui->lblWait->isHidden());
    EXPECT_EQ(Form->ui->Image1->pixmap().size(), QSize(32, 32));
}

TEST_F(MainWindowTest, Colours) {
    struct {
        const char* Name;
        QPalette::ColorRole Role;
        const char* Hex;
    } Cases[] = {
        {"TfrmMain", QPalette::Window, Green},   {"Panel1", QPalette::Window, "#c8e3fd"},
        {"Panel4", QPalette::Window, "#e4ecd0"}, {"pnlUpdate", QPalette::Window, "#e4ecd0"},
        {"Panel5", QPalette::Window, Green},     {"Panel2", QPalette::Window, "#c5da9e"},
        {"Panel3", QPalette::Window, "#c5da9e"}, {"Drive", QPalette::Base, "#d8edb4"},
        {"Dir", QPalette::Base, "#d8edb4"},      {"chkShortcut", QPalette::Window, "#ffff00"},
        {"Label1", QPalette::WindowText, Green}, {"lblPath", QPalette::WindowText, Green},
        {"btnRun", QPalette::ButtonText, Green}, {"Label2", QPalette::WindowText, Green},
    };
    for (const auto& C : Cases) {
        QWidget* Ctl = C.Name == std::string("TfrmMain") ? Form.get() : W(C.Name);
        ASSERT_NE(Ctl, nullptr) << C.Name;
        EXPECT_EQ(Ctl->palette().color(C.Role).name().toLower().toStdString(),
                  QString(C.Hex).toLower().toStdString())
            << C.Name;
    }
}

TEST_F(MainWindowTest, TabOrder) {
    const QStringList Want = {"btnRun", "btnExit", "chkShortcut", "btnUjMappa", "Drive", "Dir"};
    QStringList Seen;
    QWidget* Cur = Form->ui->btnRun;
    for (int i = 0; i < 200 && Seen.size() < Want.size(); ++i, Cur = Cur->nextInFocusChain())
        if (Want.contains(Cur->objectName()) && !Seen.contains(Cur->objectName()))
            Seen << Cur->objectName();
    EXPECT_EQ(Seen, Want);
}

TEST_F(MainWindowTest, StoredComponentSettingsAreApplied) {
    ASSERT_NE(Form->Kestrel, nullptr);
    EXPECT_EQ(Form->Kestrel->Name(), "Kestrel");
    struct {
        const char* Name;
        const char* Value;
    } Cases[] = {{"Options.ShareMode", "smShareCompat"}, {"Zip64Mode", "zmDisabled"},
                 {"CompressionLevel", "clFastest"},      {"Options.FlushBuffers", "True"},
                 {"EncryptionMethod", "caPkzipClassic"}, {"CurrentVersion", "5.01 "}};
    for (const auto& C : Cases)
        EXPECT_EQ(QString::fromStdString(KSGetPropertyByName(*Form->Kestrel, C.Name)).toLower().toStdString(),
                  QString(C.Value).toLower().toStdString())
            << C.Name;
}

TEST_F(MainWindowTest, FolderChoiceModeStartsBesideTheDocuments) {
    EXPECT_TRUE(Form->ui->pnlUpdate->isHidden());
    EXPECT_EQ(Form->ui->Dir->Directory(), QDir::cleanPath(TestHome));
    EXPECT_FALSE(Form->ui->Drive->Drive().isEmpty());
    EXPECT_EQ(Form->ui->Dir->Drive(), QDir::cleanPath(Form->ui->Drive->Drive()));
    EXPECT_TRUE(Form->ui->btnUjMappa->isVisibleTo(Form.get()));
}

TEST(MainWindowMode, UpdateModeShowsTheStoredFolder) {
    const QString App = TestHome + "/Régi telepítés/";
    QDir().mkpath(App);
    for (bool WithExe : {false, true}) {
        if (WithExe) {
            QFile F(App + "Ferrovan.exe");
            ASSERT_TRUE(F.open(QIODevice::WriteOnly));
        }
        {
            QSettings S(QStringLiteral("Larkspur"), QStringLiteral("Ferrovan"));
            S.setValue("AppPath", App);
        }
        TfrmMain Form(PayloadBytes());
        EXPECT_EQ(!Form.ui->pnlUpdate->isHidden(), WithExe);
        if (WithExe) {
            EXPECT_EQ(Form.ui->lblPath->text(), App);
            EXPECT_FALSE(Form.ui->btnUjMappa->isVisibleTo(&Form));
        }
    }
    QFile::remove(App + "Ferrovan.exe");
    ClearSettings();
}

TEST(DirectoryList, MovesReReadsAndReRoots) {
    const QString Base = TestHome + "/dirlist";
    QDir().mkpath(Base + "/alfa");
    TDirectoryListBox Dir;
    Dir.SetDirectory(Base);
    EXPECT_EQ(Dir.Directory(), Base);
    auto Names = [&] {
        QStringList L;
        for (int i = 0; i < Dir.count(); ++i)
            L << Dir.item(i)->text().trimmed();
        return L;
    };
    EXPECT_TRUE(Names().contains("alfa"));
    EXPECT_EQ(Dir.item(0)->text(), "/");
    QDir().mkpath(Base + "/béta");
    EXPECT_FALSE(Names().contains("béta"));
    Dir.Update();
    EXPECT_TRUE(Names().contains("béta"));
    Dir.SetDirectory(Base + "/nincs ilyen"); // a missing folder leaves the list where it is
    EXPECT_EQ(Dir.Directory(), Base);
    emit Dir.itemActivated(Dir.findItems("alfa", Qt::MatchEndsWith).value(0));
    EXPECT_EQ(Dir.Directory(), Base + "/alfa");
    Dir.SetDrive(Base + "/béta"); // a root the current folder is not below
    EXPECT_EQ(Dir.Directory(), Base + "/béta");
    EXPECT_EQ(Dir.item(0)->text(), "béta");

    TDriveComboBox Drive;
    ASSERT_GT(Drive.count(), 0);
    EXPECT_EQ(Drive.itemData(0).toString(), "/");
    QStringList Seen;
    QObject::connect(&Drive, &TDriveComboBox::DriveChanged, [&](const QString& R) { Seen << R; });
    Drive.SetDrive(Base);
    EXPECT_EQ(Drive.Drive(), Base);
    EXPECT_EQ(Seen, QStringList{Base});
}

} // namespace
} // namespace ks::inst::test
