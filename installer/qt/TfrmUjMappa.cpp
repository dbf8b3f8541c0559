#include "installer/qt/TfrmUjMappa.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScreen>

#include "ui_frmUjMappa.h"

namespace ks {

TfrmUjMappa* frmUjMappa = nullptr;

TfrmUjMappa::TfrmUjMappa(QWidget* Parent)
    : QDialog(Parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint),
      ui(std::make_unique<Ui::TfrmUjMappa>()) {
    ui->setupUi(this);
    setFixedSize(404, 92);
    ui->Label1->adjustSize();
    ui->Label3->adjustSize();
    ui->edtMappa->installEventFilter(this);
    connect(ui->edtMappa, &QLineEdit::textChanged, this, [this] { inst::edtMappaChange(*this); });
    connect(ui->btnLetrehoz, &QPushButton::clicked, this,
            [this] { done(static_cast<int>(inst::TModalResult::OK)); });
    connect(ui->btnMegsem, &QPushButton::clicked, this,
            [this] { done(static_cast<int>(inst::TModalResult::Cancel)); });
    if (QScreen* S = screen())
        move(S->geometry().center() - rect().center());
}

TfrmUjMappa::~TfrmUjMappa() = default;

bool TfrmUjMappa::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == ui->edtMappa && Event->type() == QEvent::KeyPress) {
        auto* K = static_cast<QKeyEvent*>(Event);
        char32_t Key = 0;
        if (K->key() == Qt::Key_Return || K->key() == Qt::Key_Enter)
            Key = 13;
        else if (K->key() == Qt::Key_Escape)
            Key = 27;
        else if (!K->text().isEmpty())
            Key = K->text().toUcs4().value(0);
        if (Key == 0)
            return QDialog::eventFilter(Watched, Event);
        const char32_t Typed = Key;
        inst::edtMappaKeyPress(*this, Key);
        // Enter and Escape never reach the edit box or the dialog's own key handling.
        if (Key == 0 || Typed == 13 || Typed == 27)
            return true;
    }
    return QDialog::eventFilter(Watched, Event);
}

void TfrmUjMappa::SetText(const AnsiString& Text) {
    ui->edtMappa->setText(QString::fromStdString(Text));
    inst::edtMappaChange(*this); // setText does not signal when the text stays the same
}
AnsiString TfrmUjMappa::Text() const {
    return ui->edtMappa->text().toStdString();
}
void TfrmUjMappa::SetCreateEnabled(bool Enabled) {
    ui->btnLetrehoz->setEnabled(Enabled);
}
bool TfrmUjMappa::CreateEnabled() const {
    return ui->btnLetrehoz->isEnabled();
}
void TfrmUjMappa::ClickCreate() {
    ui->btnLetrehoz->click();
}
void TfrmUjMappa::ClickCancel() {
    ui->btnMegsem->click();
}
inst::TModalResult TfrmUjMappa::ShowModal() {
    const int R = exec();
    return R == static_cast<int>(inst::TModalResult::OK)       ? inst::TModalResult::OK
           : R == static_cast<int>(inst::TModalResult::Cancel) ? inst::TModalResult::Cancel
                                                               : inst::TModalResult::None;
}

AnsiString ShowUjMappa(const AnsiString& aPath, inst::IOsServices& Os) {
    // A fresh instance every time. Nothing refers to the previous one any more, so it goes now
    // rather than piling up until the program ends.
    delete frmUjMappa;
    frmUjMappa = new TfrmUjMappa(QApplication::activeWindow());
    return inst::ShowUjMappa(aPath, *frmUjMappa, Os);
}

} // namespace ks
