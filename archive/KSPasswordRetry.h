// KSPasswordRetry.h -- a password typed as text, tried as the bytes of both usual encodings.
//
// The engine compares passwords byte for byte. A program of this kind on Windows passes the text
// in the ANSI code page; archives written on Linux, and several AES writers, used the UTF-8
// bytes instead. TKSPasswordRetry is a password-event handler for programs that take passwords
// as text (a command line, a terminal, a dialog): the ANSI form is set first and, when an item's
// check fails, the UTF-8 form is offered once through the event before the user is asked (the
// current prompts, KSPrompts.h) or, with no one to ask, the item is skipped.
//
//     TKSPasswordRetry retry;
//     Arc.SetPassword(retry.Begin(textFromCommandLine));
//     Arc.FOnPassword = retry.Handler();
//
// For ASCII text both forms are the same bytes and nothing is tried twice.
#pragma once

#include <string_view>
#include <vector>

#include "archive/KSEvents.h"
#include "platform/KSTypes.h"

namespace ks {

struct TKSPasswordForms {
    AnsiString Ansi; // the text in the current ANSI code page (characters it lacks become '?')
    AnsiString Utf8; // the text's UTF-8 bytes
};

// The two forms of Text (UTF-8). Bytes that are not well-formed UTF-8 are taken as they are for
// both forms: they already are the password's bytes.
TKSPasswordForms KSPasswordForms(std::string_view Utf8Text);

class TKSPasswordRetry {
public:
    // The text given up front; returns the bytes to set as the component's Password first.
    AnsiString Begin(std::string_view Utf8Text);

    // The password event. For each item, every form of the current text not yet tried for it is
    // offered once; then the prompts ask for a new text (whose ANSI form is offered next), and a
    // cancelled question skips the item.
    void OnPassword(const TKSString& FileName, AnsiString& NewPassword, bool& SkipFile);

    // A handler bound to this object (which must outlive the component's use of it).
    TKSOnPasswordEvent Handler();

private:
    bool FHaveText = false;
    TKSPasswordForms FForms;
    bool FHaveItem = false;
    TKSString FItem;                // the item the tried forms belong to
    std::vector<AnsiString> FTried; // passwords that failed this item's check
};

} // namespace ks
