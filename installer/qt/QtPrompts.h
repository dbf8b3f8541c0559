// QtPrompts.h -- the archive engine's built-in prompts as Qt dialogs: confirmation boxes titled
// "Confirm" with the question icon, and the password dialog sized from its font.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

#include "archive/KSPrompts.h"

class QDialog;
class QFontMetrics;

namespace ks {

// The average character of a font: X is the width of "A".."Z" followed by "a".."z" divided by
// 52 (integer division), Y the height of that line.
QSize GetAveCharSize(const QFontMetrics& Metrics);

// a * b / c with a 64-bit product, rounded to the nearest integer.
int KSMulDiv(int A, int B, int C);

// Geometry of the password dialog for an average character of X x Y pixels.
struct TPasswordDialogLayout {
    QSize Client;
    QRect Label; // position only; the label sizes itself
    QRect Edit;  // height: the edit box's own
    QRect OK;
    QRect Cancel;
};
TPasswordDialogLayout PasswordDialogLayout(QSize AveChar);

class TQtPrompts : public TKSPrompts {
public:
    TKSPromptButton ConfirmBox(TKSPromptKind Kind, const AnsiString& Text, TKSPromptButtons Buttons) override;
    bool PasswordInputQuery(const AnsiString& ACaption, const AnsiString& APrompt,
                            AnsiString& Value) override;
};

} // namespace ks
