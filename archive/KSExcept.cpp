// KSExcept.cpp -- composition of the engine's exception texts.
#include "archive/KSExcept.h"

#include <cstdio>

#include "archive/KSConst.h"
#include "platform/KSStrings.h"

namespace ks {

std::string KSWideToUtf8(const TKSString& Text) {
    return WideToUtf8(Text);
}

std::string TKSFormatArg::AsText() const {
    if (const auto* i = std::get_if<int64_t>(&FValue))
        return std::to_string(*i);
    if (const auto* w = std::get_if<TKSString>(&FValue))
        return KSWideToUtf8(*w);
    return std::get<AnsiString>(FValue);
}

std::string KSFormatMessage(std::string_view Pattern, std::initializer_list<TKSFormatArg> Args) {
    std::string Out;
    Out.reserve(Pattern.size() + 64);
    auto Next = Args.begin();
    for (size_t i = 0; i < Pattern.size(); ++i) {
        const char c = Pattern[i];
        if (c != '%' || i + 1 >= Pattern.size()) {
            Out.push_back(c);
            continue;
        }
        const char Conv = Pattern[i + 1];
        if (Conv == '%') {
            Out.push_back('%');
            ++i;
            continue;
        }
        if (Conv != 's' && Conv != 'd') {
            Out.push_back(c);
            continue;
        }
        ++i;
        const TKSFormatArg* Arg = Next != Args.end() ? &*Next++ : nullptr;
        if (Arg && (Conv == 's' || Arg->IsInteger()))
            Out += Arg->AsText();
        else {
            // No fitting argument: keep the placeholder rather than invent a value.
            Out.push_back('%');
            Out.push_back(Conv);
        }
    }
    return Out;
}

std::string EKSException::ComposeMessage(int32_t NativeErr, const std::initializer_list<TKSFormatArg>* Args,
                                         const TComponent* Component) {
    const int32_t Code = KSErrorCodeOf(NativeErr);
    std::string Text = KSErrorMessages[static_cast<size_t>(Code)];
    if (Args)
        Text = KSFormatMessage(Text, *Args);
    if (Component && !Component->Name().empty())
        Text = Component->Name() + ": " + Text;
    char Digits[16];
    std::snprintf(Digits, sizeof Digits, "%5d", static_cast<int>(NativeErr));
    for (char* p = Digits; *p; ++p)
        if (*p == ' ')
            *p = '0';
    return Text + " - Native error: " + Digits;
}

EKSException::EKSException(int32_t NativeErr, const TComponent* Component)
    : Exception(ComposeMessage(NativeErr, nullptr, Component)), ErrorCode(KSErrorCodeOf(NativeErr)),
      NativeError(NativeErr) {}

EKSException::EKSException(int32_t NativeErr, std::initializer_list<TKSFormatArg> Args,
                           const TComponent* Component)
    : Exception(ComposeMessage(NativeErr, &Args, Component)), ErrorCode(KSErrorCodeOf(NativeErr)),
      NativeError(NativeErr) {}

} // namespace ks
