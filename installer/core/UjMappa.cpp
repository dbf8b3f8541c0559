#include "installer/core/UjMappa.h"

#include <cstring>

#include "installer/core/PathRules.h"

namespace ks::inst {

void edtMappaKeyPress(IUjMappaView& View, char32_t& Key) {
    if (Key != 0 && Key < 128 && std::strchr(ForbiddenNameChars, static_cast<int>(Key)) != nullptr)
        Key = 0;
    if (Key == 13 && View.CreateEnabled())
        View.ClickCreate();
    if (Key == 27)
        View.ClickCancel();
}

void edtMappaChange(IUjMappaView& View) {
    View.SetCreateEnabled(!TrimBlanks(View.Text()).empty());
}

AnsiString ShowUjMappa(const AnsiString& aPath, IUjMappaView& View, IOsServices& Os) {
    AnsiString Result;
    View.SetText("");
    if (View.ShowModal() == TModalResult::OK) {
        const AnsiString P = CollapseSeparators(aPath + PathDelim + View.Text());
        if (Os.ForceDirectories(P))
            Result = P;
    }
    return Result;
}

} // namespace ks::inst
