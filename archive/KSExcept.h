// KSExcept.h -- EKSException, the engine's one exception class.
//
// The text is composed from the message table (KSConst.h): optional "<component name>: ", the
// message (formatted with the arguments when given), " - Native error: " and the native code in a
// field of five characters whose blanks become "0" (13 -> 00013, -12 -> 00-12, 100000 whole).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "platform/KSComponent.h"
#include "platform/KSException.h"
#include "platform/KSTypes.h"

namespace ks {

// One argument for a %s or %d placeholder: an integer, a wide string or an 8-bit (UTF-8) string.
class TKSFormatArg {
public:
    template <typename T>
    requires std::is_integral_v<T> TKSFormatArg(T Value) : FValue(static_cast<int64_t>(Value)) {}
    TKSFormatArg(const TKSString& Value) : FValue(Value) {}
    TKSFormatArg(const TKSChar* Value) : FValue(TKSString(Value ? Value : u"")) {}
    TKSFormatArg(const AnsiString& Value) : FValue(Value) {}
    TKSFormatArg(const char* Value) : FValue(AnsiString(Value ? Value : "")) {}

    bool IsInteger() const { return std::holds_alternative<int64_t>(FValue); }
    int64_t AsInteger() const { return std::get<int64_t>(FValue); }
    // The argument as text: wide strings converted to UTF-8, integers in decimal.
    std::string AsText() const;

private:
    std::variant<int64_t, TKSString, AnsiString> FValue;
};

class EKSException : public Exception {
public:
    // The message as stored; placeholders such as %s stay in the text.
    EKSException(int32_t NativeErr, const TComponent* Component);
    // The message formatted with Args first (%s takes any argument, %d an integer, %% is "%").
    EKSException(int32_t NativeErr, std::initializer_list<TKSFormatArg> Args, const TComponent* Component);

    int32_t ErrorCode;   // message index, 0..40; 0 when the native code is not in the table
    int32_t NativeError; // the native code as raised

    // The composed text, as the constructors store it in Message.
    static std::string ComposeMessage(int32_t NativeErr, const std::initializer_list<TKSFormatArg>* Args,
                                      const TComponent* Component);
};

// printf-like formatting of a message with %s and %d. A placeholder without a fitting argument is
// left in the text as it is; argument text is never scanned for placeholders.
std::string KSFormatMessage(std::string_view Pattern, std::initializer_list<TKSFormatArg> Args);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string KSWideToUtf8(const TKSString& Text);

} // namespace ks
