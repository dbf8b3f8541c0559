// TerminalPrompts.h -- the engine's built-in prompts on a terminal, and the answers given when no
// terminal can be asked.
#pragma once

#include "archive/KSPrompts.h"

namespace ks::cli {

// Asks on standard error and reads the answer from standard input; the password is read without
// echo. The end of input counts as closing the box (or cancelling the password dialog).
class TTerminalPrompts final : public TKSPrompts {
public:
    TKSPromptButton ConfirmBox(TKSPromptKind Kind, const AnsiString& Text, TKSPromptButtons Buttons) override;
    bool PasswordInputQuery(const AnsiString& ACaption, const AnsiString& APrompt,
                            AnsiString& Value) override;
};

// Never waits for input: a failed item is ignored, an overwrite question answered No, a volume
// request or disk-full question answered Cancel, the password dialog cancelled (the item is
// skipped). Every question and its answer is reported on standard error.
class TUnattendedPrompts final : public TKSPrompts {
public:
    TKSPromptButton ConfirmBox(TKSPromptKind Kind, const AnsiString& Text, TKSPromptButtons Buttons) override;
    bool PasswordInputQuery(const AnsiString& ACaption, const AnsiString& APrompt,
                            AnsiString& Value) override;
};

// Called before a prompt writes to the terminal, so that a progress line can get out of the way.
void KSSetBeforePromptHook(void (*Hook)());

} // namespace ks::cli
