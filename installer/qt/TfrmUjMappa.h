// TfrmUjMappa.h -- the new-folder dialog's Qt face (layout: resources/frmUjMappa.ui).
#pragma once

#include <QDialog>
#include <memory>

#include "installer/core/UjMappa.h"

namespace Ui {
class TfrmUjMappa;
}

namespace ks {

class TfrmUjMappa : public QDialog, public inst::IUjMappaView {
    Q_OBJECT
public:
    explicit TfrmUjMappa(QWidget* Parent = nullptr);
    ~TfrmUjMappa() override;

    void SetText(const AnsiString& Text) override;
    AnsiString Text() const override;
    void SetCreateEnabled(bool Enabled) override;
    bool CreateEnabled() const override;
    void ClickCreate() override;
    void ClickCancel() override;
    inst::TModalResult ShowModal() override;

    std::unique_ptr<Ui::TfrmUjMappa> ui;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
};

// The dialog instance made last (at start-up, or by ShowUjMappa, which releases the one before).
extern TfrmUjMappa* frmUjMappa;

// Shows a fresh dialog for the parent folder aPath and returns the created folder or "".
AnsiString ShowUjMappa(const AnsiString& aPath, inst::IOsServices& Os);

} // namespace ks
