#include "installer/qt/QtPrompts.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <cstdint>
#include <utility>

namespace ks {

QSize GetAveCharSize(const QFontMetrics& Metrics) {
    static const QString Letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return QSize(Metrics.horizontalAdvance(Letters) / 52, Metrics.height());
}

int KSMulDiv(int A, int B, int C) {
    const int64_t P = static_cast<int64_t>(A) * B;
    const int64_t Half = C / 2;
    return static_cast<int>(P >= 0 ? (P + Half) / C : (P - Half) / C);
}

TPasswordDialogLayout PasswordDialogLayout(QSize AveChar) {
    const int X = AveChar.width(), Y = AveChar.height();
    TPasswordDialogLayout L;
    L.Client = QSize(KSMulDiv(X, 180, 4), KSMulDiv(Y, 63, 8));
    const int Left = KSMulDiv(X, 8, 4);
    L.Label = QRect(Left, KSMulDiv(Y, 8, 8), 0, 0);
    L.Edit = QRect(Left, KSMulDiv(Y, 19, 8), KSMulDiv(X, 164, 4), 0);
    const int BtnTop = KSMulDiv(Y, 41, 8), BtnW = KSMulDiv(X, 50, 4), BtnH = KSMulDiv(Y, 14, 8);
    L.OK = QRect(KSMulDiv(X, 38, 4), BtnTop, BtnW, BtnH);
    L.Cancel = QRect(KSMulDiv(X, 92, 4), BtnTop, BtnW, BtnH);
    return L;
}

namespace {

const std::pair<TKSPromptButton, QMessageBox::StandardButton> ButtonMap[] = {
    {pbOK, QMessageBox::Ok},       {pbCancel, QMessageBox::Cancel},   {pbAbort, QMessageBox::Abort},
    {pbRetry, QMessageBox::Retry}, {pbIgnore, QMessageBox::Ignore},   {pbYes, QMessageBox::Yes},
    {pbNo, QMessageBox::No},       {pbNoToAll, QMessageBox::NoToAll}, {pbYesToAll, QMessageBox::YesToAll},
};

} // namespace

TKSPromptButton TQtPrompts::ConfirmBox(TKSPromptKind, const AnsiString& Text, TKSPromptButtons Buttons) {
    QMessageBox Box(QMessageBox::Question, QString::fromUtf8(KSPromptTitle), QString::fromStdString(Text),
                    QMessageBox::NoButton, QApplication::activeWindow());
    Box.setObjectName(QStringLiteral("KSConfirmBox"));
    for (const auto& [Ks, Qt] : ButtonMap)
        if (KSHasButton(Buttons, Ks))
            Box.addButton(Qt);
    Box.exec();
    QAbstractButton* Clicked = Box.clickedButton();
    if (!Clicked)
        return pbNone;
    const QMessageBox::StandardButton Std = Box.standardButton(Clicked);
    for (const auto& [Ks, Qt] : ButtonMap)
        if (Qt == Std && KSHasButton(Buttons, Ks))
            return Ks;
    return pbNone;
}

bool TQtPrompts::PasswordInputQuery(const AnsiString& ACaption, const AnsiString& APrompt,
                                    AnsiString& Value) {
    QDialog Form(QApplication::activeWindow(), Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    Form.setObjectName(QStringLiteral("KSPasswordDialog"));
    Form.setWindowTitle(QString::fromStdString(ACaption));
    const TPasswordDialogLayout L = PasswordDialogLayout(GetAveCharSize(QFontMetrics(Form.font())));
    Form.setFixedSize(L.Client);

    auto* Prompt = new QLabel(QString::fromStdString(APrompt), &Form);
    Prompt->move(L.Label.topLeft());
    Prompt->adjustSize();
    auto* Edit = new QLineEdit(&Form);
    Edit->setObjectName(QStringLiteral("edtPassword"));
    Edit->setGeometry(L.Edit.left(), L.Edit.top(), L.Edit.width(), Edit->sizeHint().height());
    Edit->setMaxLength(255);
    Edit->setEchoMode(QLineEdit::Password);
    Edit->setText(QString::fromStdString(Value));
    Edit->selectAll();
    auto* OK = new QPushButton(QStringLiteral("OK"), &Form);
    OK->setObjectName(QStringLiteral("btnOK"));
    OK->setGeometry(L.OK);
    OK->setDefault(true);
    auto* Cancel = new QPushButton(QStringLiteral("Cancel"), &Form);
    Cancel->setObjectName(QStringLiteral("btnCancel"));
    Cancel->setGeometry(L.Cancel);
    QObject::connect(OK, &QPushButton::clicked, &Form, &QDialog::accept);
    QObject::connect(Cancel, &QPushButton::clicked, &Form, &QDialog::reject); // Escape rejects too
    if (QScreen* S = Form.screen())
        Form.move(S->geometry().center() - QPoint(L.Client.width() / 2, L.Client.height() / 2));
    Edit->setFocus();

    if (Form.exec() != QDialog::Accepted)
        return false;
    Value = Edit->text().toStdString();
    return true;
}

} // namespace ks
