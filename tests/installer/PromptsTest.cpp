// The engine's built-in prompts as Qt dialogs: buttons, answers, the password dialog's size rule.
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "WidgetTestSupport.h"
#include "installer/qt/QtPrompts.h"

namespace ks::inst::test {
namespace {

struct BoxCase {
    const char* Name;
    TKSPromptButtons Buttons;
    QList<QMessageBox::StandardButton> Shown;
    QMessageBox::StandardButton Press;
    TKSPromptButton Answer;
};

class ConfirmBoxTest : public ::testing::TestWithParam<BoxCase> {};

TEST_P(ConfirmBoxTest, ShowsTheButtonsAndReturnsThePressedOne) {
    const BoxCase& C = GetParam();
    QString Title, Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QList<QMessageBox::StandardButton> Shown;
    WhenModalShows([&](QWidget* M) {
        auto* B = qobject_cast<QMessageBox*>(M);
        ASSERT_NE(B, nullptr);
        Title = B->windowTitle();
        Text = B->text();
        Icon = B->icon();
        for (QAbstractButton* Btn : B->buttons())
            Shown << B->standardButton(Btn);
        B->button(C.Press)->click();
    });
    TQtPrompts P;
    EXPECT_EQ(P.ConfirmBox(TKSPromptKind::FileFailure, "Kérdés ő", C.Buttons), C.Answer);
    EXPECT_EQ(Title, "Confirm");
    EXPECT_EQ(Text, QString::fromUtf8("Kérdés ő"));
    EXPECT_EQ(Icon, QMessageBox::Question);
    std::sort(Shown.begin(), Shown.end());
    QList<QMessageBox::StandardButton> Want = C.Shown;
    std::sort(Want.begin(), Want.end());
    EXPECT_EQ(Shown, Want);
}

const auto Overwrite = QList<QMessageBox::StandardButton>{QMessageBox::Yes, QMessageBox::No,
                                                          QMessageBox::NoToAll, QMessageBox::YesToAll};
const auto Failure =
    QList<QMessageBox::StandardButton>{QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore};
const auto OkCancel = QList<QMessageBox::StandardButton>{QMessageBox::Ok, QMessageBox::Cancel};

INSTANTIATE_TEST_SUITE_P(
    Buttons, ConfirmBoxTest,
    ::testing::Values(BoxCase{"Yes", KSButtonsOverwrite, Overwrite, QMessageBox::Yes, pbYes},
                      BoxCase{"No", KSButtonsOverwrite, Overwrite, QMessageBox::No, pbNo},
                      BoxCase{"NoToAll", KSButtonsOverwrite, Overwrite, QMessageBox::NoToAll, pbNoToAll},
                      BoxCase{"YesToAll", KSButtonsOverwrite, Overwrite, QMessageBox::YesToAll, pbYesToAll},
                      BoxCase{"Abort", KSButtonsAbortRetryIgnore, Failure, QMessageBox::Abort, pbAbort},
                      BoxCase{"Retry", KSButtonsAbortRetryIgnore, Failure, QMessageBox::Retry, pbRetry},
                      BoxCase{"Ignore", KSButtonsAbortRetryIgnore, Failure, QMessageBox::Ignore, pbIgnore},
                      BoxCase{"OK", KSButtonsOKCancel, OkCancel, QMessageBox::Ok, pbOK},
                      BoxCase{"Cancel", KSButtonsOKCancel, OkCancel, QMessageBox::Cancel, pbCancel}),
    [](const auto& I) { return std::string(I.param.Name); });

TEST(PasswordDialog, SizeRule) {
    const TPasswordDialogLayout L = PasswordDialogLayout(QSize(6, 13));
    EXPECT_EQ(L.Client, QSize(270, 102)); // 13 * 63 / 8 = 102.375 rounds to 102
    EXPECT_EQ(L.Label.topLeft(), QPoint(12, 13));
    EXPECT_EQ(L.Edit.topLeft(), QPoint(12, 31)); // 13 * 19 / 8 = 30.875
    EXPECT_EQ(L.Edit.width(), 246);
    EXPECT_EQ(L.OK, QRect(57, 67, 75, 23)); // 13 * 41 / 8 = 66.625, 13 * 14 / 8 = 22.75
    EXPECT_EQ(L.Cancel, QRect(138, 67, 75, 23));
    EXPECT_EQ(KSMulDiv(5, 3, 2), 8);             // 7.5 rounds up
    EXPECT_EQ(KSMulDiv(1 << 30, 8, 8), 1 << 30); // the product does not overflow
}

TEST(PasswordDialog, AcceptAndCancel) {
    for (bool Accept : {true, false}) {
        QSize Client;
        QSize Expected;
        QString Title;
        WhenModalShows([&](QWidget* M) {
            Title = M->windowTitle();
            Client = M->size();
            Expected = PasswordDialogLayout(GetAveCharSize(QFontMetrics(M->font()))).Client;
            auto* E = M->findChild<QLineEdit*>("edtPassword");
            ASSERT_NE(E, nullptr);
            EXPECT_EQ(E->echoMode(), QLineEdit::Password);
            EXPECT_EQ(E->maxLength(), 255);
            EXPECT_EQ(E->selectedText(), "régi"); // the given value, all selected
            TypeText(E, "titok");
            M->findChild<QPushButton*>(Accept ? "btnOK" : "btnCancel")->click();
        });
        TQtPrompts P;
        AnsiString Value = "régi";
        EXPECT_EQ(P.PasswordInputQuery("Password for \"a.txt\"", "Enter password: ", Value), Accept);
        EXPECT_EQ(Value, Accept ? "titok" : "régi");
        EXPECT_EQ(Title, "Password for \"a.txt\"");
        EXPECT_EQ(Client, Expected);
    }
}

TEST(PasswordDialog, EnterAcceptsEscapeCancels) {
    for (auto [Key, Accept] : {std::pair{Qt::Key_Return, true}, std::pair{Qt::Key_Escape, false}}) {
        WhenModalShows([Key = Key](QWidget* M) {
            auto* E = M->findChild<QLineEdit*>("edtPassword");
            TypeText(E, "pw");
            QTest::keyClick(E, Key);
        });
        TQtPrompts P;
        AnsiString Value;
        EXPECT_EQ(P.PasswordInputQuery("c", "p", Value), Accept);
        EXPECT_EQ(Value, Accept ? "pw" : "");
    }
}

} // namespace
} // namespace ks::inst::test
