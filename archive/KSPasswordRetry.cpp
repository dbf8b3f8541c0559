// KSPasswordRetry.cpp -- ANSI first, then UTF-8, then ask.
#include "archive/KSPasswordRetry.h"

#include <algorithm>

#include "archive/KSExcept.h"
#include "archive/KSPrompts.h"
#include "platform/KSCodePages.h"
#include "platform/KSStrings.h"

namespace ks {

TKSPasswordForms KSPasswordForms(std::string_view Utf8Text) {
    TKSPasswordForms f;
    f.Utf8 = AnsiString(Utf8Text);
    f.Ansi = IsValidUtf8(Utf8Text) ? KSWideToAnsi(Utf8ToWide(Utf8Text)) : f.Utf8;
    return f;
}

AnsiString TKSPasswordRetry::Begin(std::string_view Utf8Text) {
    FForms = KSPasswordForms(Utf8Text);
    FHaveText = true;
    return FForms.Ansi;
}

void TKSPasswordRetry::OnPassword(const TKSString& FileName, AnsiString& NewPassword, bool& SkipFile) {
    if (!FHaveItem || FileName != FItem) {
        FHaveItem = true;
        FItem = FileName;
        FTried.clear();
    }
    // The password just checked failed for this item.
    if (std::find(FTried.begin(), FTried.end(), NewPassword) == FTried.end())
        FTried.push_back(NewPassword);
    auto untried = [&](const AnsiString& P) {
        return std::find(FTried.begin(), FTried.end(), P) == FTried.end();
    };
    if (FHaveText) {
        for (const AnsiString* form : {&FForms.Ansi, &FForms.Utf8}) {
            if (untried(*form)) {
                NewPassword = *form;
                return;
            }
        }
    }
    const AnsiString caption = KSFormatPrompt(KSPromptPasswordCaption, KSWideToUtf8(FileName));
    AnsiString value;
    if (!KSGetPrompts().PasswordInputQuery(caption, KSPromptPasswordPrompt, value)) {
        SkipFile = true;
        return;
    }
    // A new text: both of its forms get their chance, even one that failed under an earlier
    // text (the user may simply have typed the same text again).
    FTried.clear();
    NewPassword = Begin(value);
}

TKSOnPasswordEvent TKSPasswordRetry::Handler() {
    return [this](TComponent*, const TKSString& FileName, AnsiString& NewPassword, bool& SkipFile) {
        OnPassword(FileName, NewPassword, SkipFile);
    };
}

} // namespace ks
