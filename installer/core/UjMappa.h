// UjMappa.h -- the new-folder dialog's decisions: the key filter, the button rule and the path
// that ShowUjMappa creates and returns.
#pragma once

#include "installer/core/OsServices.h"
#include "platform/KSTypes.h"

namespace ks::inst {

// The nine characters a folder name may not hold; typing one inserts nothing.
inline constexpr const char* ForbiddenNameChars = "\\/:*?\"<>|";

enum class TModalResult { None = 0, OK = 1, Cancel = 2 };

class IUjMappaView {
public:
    virtual ~IUjMappaView() = default;
    virtual void SetText(const AnsiString& Text) = 0; // edtMappa; fires edtMappaChange
    virtual AnsiString Text() const = 0;
    virtual void SetCreateEnabled(bool Enabled) = 0; // btnLetrehoz
    virtual bool CreateEnabled() const = 0;
    virtual void ClickCreate() = 0; // closes the dialog with OK
    virtual void ClickCancel() = 0; // closes the dialog with Cancel
    virtual TModalResult ShowModal() = 0;
};

// Key filter of edtMappa: a forbidden character becomes 0 (not inserted); Enter clicks
// btnLetrehoz when it is enabled; Escape clicks btnMegsem.
void edtMappaKeyPress(IUjMappaView& View, char32_t& Key);

// btnLetrehoz is enabled exactly when the text, trimmed of blanks and control characters, is
// not empty.
void edtMappaChange(IUjMappaView& View);

// Clears the edit box, shows the dialog modally and, on OK, creates aPath + separator + the typed
// name (untrimmed; doubled separators collapsed). Returns the created folder, or an empty string
// when the dialog was cancelled or the folder could not be created.
AnsiString ShowUjMappa(const AnsiString& aPath, IUjMappaView& View, IOsServices& Os);

} // namespace ks::inst
