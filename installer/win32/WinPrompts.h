// WinPrompts.h -- the archive engine's built-in prompts on Windows: message boxes titled
// "Confirm" with the question icon (the overwrite question, whose four buttons no message box
// offers, as a dialog of its own) and the password dialog sized from its font.
#pragma once

#include "installer/win32/WinApi.h"

#include "archive/KSPrompts.h"

namespace ks::win {

// The average character of the font selected into Dc: X is the width of "A".."Z" followed by
// "a".."z" divided by 52 (integer division), Y the height of that line.
SIZE GetAveCharSize(HDC Dc);

// The command identifier a prompt button sends (IDOK, IDABORT, ... ; the overwrite dialog's
// "No to All" and "Yes to All" get identifiers of their own).
int PromptButtonId(TKSPromptButton B);

class TWinPrompts : public TKSPrompts {
public:
    TKSPromptButton ConfirmBox(TKSPromptKind Kind, const AnsiString& Text, TKSPromptButtons Buttons) override;
    bool PasswordInputQuery(const AnsiString& ACaption, const AnsiString& APrompt,
                            AnsiString& Value) override;
};

} // namespace ks::win
