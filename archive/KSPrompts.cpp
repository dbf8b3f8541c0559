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

TKSPrompts* KSSetPrompts(TKSPrompts* Prompts) {
    return gCurrentPrompts.exchange(Prompts, std::memory_order_acq_rel);
}

AnsiString KSFormatPrompt(const AnsiString& Format, const AnsiString& Value) {
    return ReplaceFirst(Format, "%s", Value);
}

AnsiString KSFormatPrompt(const AnsiString& Format, int64_t Value) {
    return ReplaceFirst(Format, "%d", std::to_string(Value));
}

AnsiString KSFormatPrompt(const char* Format, const AnsiString& Value) {
    return KSFormatPrompt(AnsiString(Format), Value);
}

AnsiString KSFormatPrompt(const char* Format, int64_t Value) {
    return KSFormatPrompt(AnsiString(Format), Value);
}

int KSMulDivRound(int A, int B, int C) {
    if (C == 0)
        return 0;
    const int64_t p = static_cast<int64_t>(A) * B;
    const int64_t q = p / C;
    const int64_t r = p % C;
    // Round half away from zero.
    const int64_t twice = 2 * (r < 0 ? -r : r);
    const int64_t absC = C < 0 ? -static_cast<int64_t>(C) : C;
    if (twice >= absC)
        return static_cast<int>(q + (((p < 0) != (C < 0)) ? -1 : 1));
    return static_cast<int>(q);
}

TKSPasswordDialogLayout KSPasswordDialogLayout(int X, int Y) {
    TKSPasswordDialogLayout l{};
    l.ClientWidth = KSMulDivRound(X, 180, 4);
    l.ClientHeight = KSMulDivRound(Y, 63, 8);
    l.LabelLeft = KSMulDivRound(X, 8, 4);
    l.LabelTop = KSMulDivRound(Y, 8, 8);
    l.EditLeft = l.LabelLeft;
    l.EditTop = KSMulDivRound(Y, 19, 8);
    l.EditWidth = KSMulDivRound(X, 164, 4);
    l.ButtonTop = KSMulDivRound(Y, 41, 8);
    l.ButtonWidth = KSMulDivRound(X, 50, 4);
    l.ButtonHeight = KSMulDivRound(Y, 14, 8);
    l.OKLeft = KSMulDivRound(X, 38, 4);
    l.CancelLeft = KSMulDivRound(X, 92, 4);
    return l;
}

} // namespace ks
