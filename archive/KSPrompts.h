// KSPrompts.h -- the small interface through which the engine's built-in prompts reach the user.
//
// When an event has no handler, its raiser asks the user through the current prompt
// implementation: a confirmation box with a fixed set of buttons, or the password dialog. The
// terminal (cli/), the Qt (installer/) and the scripted (tests/support/) implementations all
// derive from TKSPrompts. The raisers own the texts and the mapping of the answers; an
// implementation only shows the question and returns what the user chose.
#pragma once

#include <cstdint>
#include <string>

#include "platform/KSTypes.h"

namespace ks {

// Buttons of a confirmation box. pbNone is the answer of a box that was closed without a button.
enum TKSPromptButton : uint8_t {
    pbNone = 0,
    pbOK,
    pbCancel,
    pbAbort,
    pbRetry,
    pbIgnore,
    pbYes,
    pbNo,
    pbNoToAll,
    pbYesToAll,
};

// A set of buttons, one bit per TKSPromptButton.
using TKSPromptButtons = uint32_t;
constexpr TKSPromptButtons KSButton(TKSPromptButton B) {
    return TKSPromptButtons{1} << B;
}
constexpr bool KSHasButton(TKSPromptButtons Set, TKSPromptButton B) {
    return (Set & KSButton(B)) != 0;
}

inline constexpr TKSPromptButtons KSButtonsOKCancel = KSButton(pbOK) | KSButton(pbCancel);
inline constexpr TKSPromptButtons KSButtonsAbortRetryIgnore =
    KSButton(pbAbort) | KSButton(pbRetry) | KSButton(pbIgnore);
inline constexpr TKSPromptButtons KSButtonsOverwrite =
    KSButton(pbYes) | KSButton(pbNo) | KSButton(pbNoToAll) | KSButton(pbYesToAll);

// What a box is about, so that an implementation that cannot ask (no terminal) can choose a safe
// answer and report the question.
enum class TKSPromptKind : uint8_t {
    ConfirmOverwrite, // text 65256, Yes / No / No to All / Yes to All
    FileFailure,      // text 65232, Abort / Retry / Ignore
    VolumeRequest,    // texts 65259..65262 and 65233, OK / Cancel
    DiskFull,         // text 65263, OK / Cancel
};

// Built-in prompt texts (UTF-8), with the identifiers of the string table that holds them.
inline constexpr const char* KSPromptOverwrite = "Overwrite file \"%s\" with \"%s\""; // 65256
inline constexpr const char* KSPromptPasswordCaption = "Password for \"%s\"";         // 65257
inline constexpr const char* KSPromptPasswordPrompt = "Enter password: ";             // 65258
inline constexpr const char* KSPromptBlankDisk = "Please insert a blank disk #%d";    // 65259
inline constexpr const char* KSPromptFirstDisk = "Please insert the first disk";      // 65260
inline constexpr const char* KSPromptLastDisk = "Please insert the last disk";        // 65261
inline constexpr const char* KSPromptDisk = "Please insert disk #%d";                 // 65262
inline constexpr const char* KSPromptDiskFull =
    "Disk is full. Required free space: %d bytes, but available only: "
    "%d bytes. Clean the disk or find another blank disk"; // 65263
inline constexpr const char* KSPromptFileFailure =
    "%s. File processing error, possibly disk is full"; // 65232
inline constexpr const char* KSPromptFileNotOnDisk =
    "File '%s' not found on inserted disk. Please insert last disk with required file"; // 65233

// Title of every confirmation box.
inline constexpr const char* KSPromptTitle = "Confirm";

class TKSPrompts {
public:
    virtual ~TKSPrompts() = default;

    // Shows Text (UTF-8) in a modal confirmation box titled "Confirm" with a question-mark icon and
    // the given buttons; returns the button pressed, or pbNone when the box was closed.
    virtual TKSPromptButton ConfirmBox(TKSPromptKind Kind, const AnsiString& Text,
                                       TKSPromptButtons Buttons) = 0;

    // The password dialog: caption and prompt (UTF-8), Value shown masked and pre-selected. When
    // the user accepts, Value is the entered text and the result is true; otherwise Value is left
    // unchanged and the result is false.
    virtual bool PasswordInputQuery(const AnsiString& ACaption, const AnsiString& APrompt,
                                    AnsiString& Value) = 0;
};

// The prompt implementation the raisers use. Never null: until one is installed the engine answers
// as if every box were closed and the password dialog cancelled, so nothing ever waits for input.
TKSPrompts& KSGetPrompts();

// Installs Prompts as the current implementation (nullptr restores the closed-box default) and
// returns the one installed before. The caller keeps ownership and must keep it alive while set.
TKSPrompts* KSSetPrompts(TKSPrompts* Prompts);

// Geometry of the password dialog, in pixels, from the average character size of its font (X:
// the width of "A".."Z" followed by "a".."z" in one line divided by 52, Y: the height of that line).
// Every a x b / c is computed with a 64-bit product and rounded to the nearest integer.
struct TKSPasswordDialogLayout {
    int ClientWidth, ClientHeight;            // X*180/4, Y*63/8
    int LabelLeft, LabelTop;                  // X*8/4, Y*8/8
    int EditLeft, EditTop, EditWidth;         // as the label, Y*19/8, X*164/4; at most 255 characters
    int ButtonTop, ButtonWidth, ButtonHeight; // Y*41/8, X*50/4, Y*14/8
    int OKLeft, CancelLeft;                   // X*38/4, X*92/4
};
TKSPasswordDialogLayout KSPasswordDialogLayout(int X, int Y);
int KSMulDivRound(int A, int B, int C);

// Replaces the first "%s" or "%d" of Format by Value (texts of this header hold at most one of
// each kind, taken in order by successive calls).
AnsiString KSFormatPrompt(const char* Format, const AnsiString& Value);
AnsiString KSFormatPrompt(const char* Format, int64_t Value);
AnsiString KSFormatPrompt(const AnsiString& Format, int64_t Value);
AnsiString KSFormatPrompt(const AnsiString& Format, const AnsiString& Value);

} // namespace ks
