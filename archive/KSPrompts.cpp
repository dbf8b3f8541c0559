// KSPrompts.cpp -- the current prompt implementation and the text formatting of the prompts.
#include "archive/KSPrompts.h"

#include <atomic>

namespace ks {

namespace {

// Answers every box as closed and cancels the password dialog.
class TKSClosedPrompts final : public TKSPrompts {
public:
    TKSPromptButton ConfirmBox(TKSPromptKind, const AnsiString&, TKSPromptButtons) override { return pbNone; }
    bool PasswordInputQuery(const AnsiString&, const AnsiString&, AnsiString&) override { return false; }
};

TKSClosedPrompts gClosedPrompts;
std::atomic<TKSPrompts*> gCurrentPrompts{nullptr};

AnsiString ReplaceFirst(const AnsiString& Format, const char* Token, const AnsiString& Value) {
    const auto pos = Format.find(Token);
    if (pos == AnsiString::npos)
        return Format;
    AnsiString r = Format.substr(0, pos);
    r += Value;
    r += Format.substr(pos + 2);
    return r;
}

} // namespace

TKSPrompts& KSGetPrompts() {
    TKSPrompts* p = gCurrentPrompts.load(std::memory_order_acquire);
    return p ? *p : gClosedPrompts;
}

TKSPrompts* KSSetPrompts(TKSPrompts* Prompts) { return gCurrentPrompts.exchange(Prompts, std::memory_order_acq_rel); }

AnsiString KSFormatPrompt(const AnsiString& Format, const AnsiString& Value) { return ReplaceFirst(Format, "%s", Value); }

AnsiString KSFormatPrompt(const AnsiString& Format, int64_t Value) {
    return ReplaceFirst(Format, "%d", std::to_string(Value));
}

AnsiString KSFormatPrompt(const char* Format, const AnsiString& Value) { return KSFormatPrompt(AnsiString(Format), Value); }

AnsiString KSFormatPrompt(const char* Format, int64_t Value) { return KSFormatPrompt(AnsiString(Format), Value); }

} // namespace ks
