// The new-folder dialog on the offscreen platform: layout, key filter, length limit, the flow of
// ShowUjMappa with real folders.
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "WidgetTestSupport.h"
#include "installer/qt/LinuxOsServices.h"
#include "installer/qt/TfrmUjMappa.h"
#include "ui_frmUjMappa.h"

namespace ks::inst::test {
namespace {

TEST(UjMappaDialog, Layout) {
    TfrmUjMappa D;
    EXPECT_EQ(D.windowTitle().toStdString(), "Új mappa létrehozása");
    EXPECT_EQ(D.size(), QSize(404, 92));
    EXPECT_FALSE(D.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(D.palette().color(QPalette::Window).name(), "#e4ecd0");
    struct {
        QWidget* W;
        QRect G; // width 0: sizes itself
        const char* Text;
        bool Bold;
    } Cases[] = {
        {D.ui->Label1, {8, 16, 0, 0}, "Adja meg az új mappa nevét", true},
        {D.ui->edtMappa, {8, 32, 386, 21}, nullptr, false},
        {D.ui->btnLetrehoz, {240, 60, 75, 25}, "Létrehoz", false},
        {D.ui->btnMegsem, {320, 60, 75, 25}, "Mégsem", false},
        {D.ui->Label2, {8, 59, 209, 26}, "A névben nem szerepelhetnek a következő karakterek:", false},
        {D.ui->Label3, {68, 73, 0, 0}, "\\ / : * ? \" < > |", true},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.W->objectName().toStdString());
        EXPECT_EQ(C.W->pos(), C.G.topLeft());
        if (C.G.width()) {
            EXPECT_EQ(C.W->size(), C.G.size());
        }
        if (C.Text) {
            auto* L = qobject_cast<QLabel*>(C.W);
            auto* B = qobject_cast<QPushButton*>(C.W);
            EXPECT_EQ((L ? L->text() : B->text()).toStdString(), C.Text);
        }
        EXPECT_EQ(C.W->font().bold(), C.Bold);
        EXPECT_EQ(C.W->font().pointSize(), 8);
        EXPECT_EQ(C.W->palette().color(QPalette::WindowText).name(), "#265527");
    }
    EXPECT_EQ(D.ui->edtMappa->palette().color(QPalette::Base).name(), "#daedb6");
    EXPECT_EQ(D.ui->edtMappa->maxLength(), 20);
    EXPECT_FALSE(D.ui->btnLetrehoz->isDefault());
    EXPECT_FALSE(D.ui->btnMegsem->isDefault());
    EXPECT_EQ(D.ui->edtMappa->nextInFocusChain(), D.ui->btnLetrehoz);
    EXPECT_EQ(D.ui->btnLetrehoz->nextInFocusChain(), D.ui->btnMegsem);
}

TEST(UjMappaDialog, KeyFilterAndLength) {
    TfrmUjMappa D;
    D.SetText("");
    EXPECT_FALSE(D.ui->btnLetrehoz->isEnabled());
    TypeText(D.ui->edtMappa, QString::fromUtf8("a\\b/c:d*e?f\"g<h>i|j"));
    EXPECT_EQ(D.ui->edtMappa->text(), "abcdefghij");
    EXPECT_TRUE(D.ui->btnLetrehoz->isEnabled());
    TypeText(D.ui->edtMappa, QString::fromUtf8("őűáéíóüö0123"));
    EXPECT_EQ(D.ui->edtMappa->text().size(), 20);
    TypeText(D.ui->edtMappa, "X"); // the 21st character
    EXPECT_EQ(D.ui->edtMappa->text().size(), 20);
    EXPECT_FALSE(D.ui->edtMappa->text().contains('X'));

    D.SetText("   ");
    EXPECT_FALSE(D.ui->btnLetrehoz->isEnabled());
}

struct KeyCase {
    const char* Name;
    const char* Text;
    Qt::Key Key;
    int Result; // the dialog's result, -1: still open
};

class UjMappaKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(UjMappaKeys, EnterAndEscapeClose) {
    const KeyCase& C = GetParam();
    TfrmUjMappa D;
    D.show();
    D.SetText(C.Text);
    QTest::keyClick(D.ui->edtMappa, C.Key);
    if (C.Result < 0) {
        EXPECT_TRUE(D.isVisible());
    } else {
        EXPECT_FALSE(D.isVisible());
        EXPECT_EQ(D.result(), C.Result);
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, UjMappaKeys,
                         ::testing::Values(KeyCase{"EnterWithName", "uj", Qt::Key_Return, 1},
                                           KeyCase{"KeypadEnterWithName", "uj", Qt::Key_Enter, 1},
                                           KeyCase{"EnterWithBlanks", "   ", Qt::Key_Return, -1},
                                           KeyCase{"EnterEmpty", "", Qt::Key_Return, -1},
                                           KeyCase{"Escape", "uj", Qt::Key_Escape, 2},
                                           KeyCase{"EscapeEmpty", "", Qt::Key_Escape, 2}),
                         [](const auto& I) { return std::string(I.param.Name); });

TEST(ShowUjMappa, CreatesTheTypedFolder) {
    TLinuxOsServices Os;
    const QString Parent = TestHome + "/ujmappa";
    QDir().mkpath(Parent);
    struct {
        const char* Typed;
        Qt::Key Key;
        QString Result;
    } Cases[] = {
        {"Új mappa", Qt::Key_Return, Parent + "/Új mappa"},
        {" szóköz ", Qt::Key_Return, Parent + "/ szóköz "},
        {"Új mappa", Qt::Key_Return, Parent + "/Új mappa"}, // exists now: still returned
        {"mégsem", Qt::Key_Escape, QString()},
    };
    for (const auto& C : Cases) {
        WhenModalShows([&](QWidget* M) {
            auto* D = qobject_cast<TfrmUjMappa*>(M);
            ASSERT_NE(D, nullptr);
            EXPECT_TRUE(D->ui->edtMappa->text().isEmpty());
            TypeText(D->ui->edtMappa, QString::fromUtf8(C.Typed));
            QTest::keyClick(D->ui->edtMappa, C.Key);
        });
        const QString R = QString::fromStdString(ShowUjMappa(Parent.toStdString(), Os));
        EXPECT_EQ(R, C.Result) << C.Typed;
        if (!R.isEmpty()) {
            EXPECT_TRUE(QFileInfo(R).isDir());
        }
    }
    EXPECT_FALSE(QFileInfo(Parent + "/mégsem").exists());
}

TEST(ShowUjMappa, CreationFailureGivesEmpty) {
    TLinuxOsServices Os;
    const QString Parent = TestHome + "/ujmappa-file";
    QFile F(Parent);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly)); // a file: no folder can be made below it
    F.close();
    WhenModalShows([](QWidget* M) {
        auto* D = qobject_cast<TfrmUjMappa*>(M);
        TypeText(D->ui->edtMappa, "x");
        QTest::keyClick(D->ui->edtMappa, Qt::Key_Return);
    });
    EXPECT_EQ(ShowUjMappa(Parent.toStdString(), Os), "");
}

} // namespace
} // namespace ks::inst::test
