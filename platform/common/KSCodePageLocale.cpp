// KSCodePageLocale.cpp -- the OEM/ANSI pair Windows assigns to a language and region.
#include <cctype>
#include <cstdlib>
#include <string>

#include "platform/KSCodePages.h"

namespace ks {

namespace {

struct TLocalePages {
    const char* Language; // ISO 639 code
    const char* Region;   // ISO 3166 code, or "" for every region of the language
    TKSCodePage Oem;
    TKSCodePage Ansi;
};

// Regional entries come before the language's general entry.
constexpr TLocalePages kLocalePages[] = {
    // English: the United States and most others keep 437; these use 850.
    {"en", "GB", 850, 1252},
    {"en", "IE", 850, 1252},
    {"en", "AU", 850, 1252},
    {"en", "CA", 850, 1252},
    {"en", "NZ", 850, 1252},
    {"en", "", 437, 1252},
    // Western European languages.
    {"de", "", 850, 1252},
    {"fr", "", 850, 1252},
    {"es", "", 850, 1252},
    {"it", "", 850, 1252},
    {"nl", "", 850, 1252},
    {"pt", "", 850, 1252},
    {"ca", "", 850, 1252},
    {"eu", "", 850, 1252},
    {"gl", "", 850, 1252},
    {"af", "", 850, 1252},
    {"fy", "", 850, 1252},
    {"lb", "", 850, 1252},
    {"rm", "", 850, 1252},
    {"ga", "", 850, 1252},
    {"cy", "", 850, 1252},
    {"br", "", 850, 1252},
    // Nordic.
    {"da", "", 850, 1252},
    {"sv", "", 850, 1252},
    {"nb", "", 850, 1252},
    {"nn", "", 850, 1252},
    {"no", "", 850, 1252},
    {"fi", "", 850, 1252},
    {"is", "", 850, 1252},
    {"fo", "", 850, 1252},
    // Central European.
    {"hu", "", 852, 1250},
    {"cs", "", 852, 1250},
    {"pl", "", 852, 1250},
    {"sk", "", 852, 1250},
    {"sl", "", 852, 1250},
    {"hr", "", 852, 1250},
    {"ro", "", 852, 1250},
    {"sq", "", 852, 1250},
    {"bs", "", 852, 1250},
    // Cyrillic.
    {"ru", "", 866, 1251},
    {"uk", "", 866, 1251},
    {"bg", "", 866, 1251},
    {"be", "", 866, 1251},
    {"mk", "", 866, 1251},
    {"kk", "", 866, 1251},
    {"sr", "", 855, 1251},
    // Others with single-byte pages.
    {"el", "", 737, 1253},
    {"tr", "", 857, 1254},
    {"az", "", 857, 1254},
    {"et", "", 775, 1257},
    {"lv", "", 775, 1257},
    {"lt", "", 775, 1257},
    {"he", "", 862, 1255},
    {"ar", "", 720, 1256},
    {"fa", "", 720, 1256},
    {"ur", "", 720, 1256},
    {"th", "", 874, 874},
    {"vi", "", 1258, 1258},
};

constexpr TKSCodePagePair kFallback{437, 1252};

std::string Lower(std::string S) {
    for (char& C : S)
        C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    return S;
}

std::string Upper(std::string S) {
    for (char& C : S)
        C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
    return S;
}

} // namespace

TKSCodePagePair KSCodePagesForLocale(std::string_view Locale) {
    // language[_REGION][.codeset][@modifier]; "C", "POSIX" and "" have no language.
    const std::size_t End = Locale.find_first_of(".@");
    const std::string_view Name = Locale.substr(0, End);
    const std::size_t Sep = Name.find_first_of("_-");
    const std::string Language = Lower(std::string(Name.substr(0, Sep)));
    const std::string Region =
        Sep == std::string_view::npos ? std::string() : Upper(std::string(Name.substr(Sep + 1)));
    // "sr_RS@latin" is Serbian in Latin script: the Central European pair.
    if (Language == "sr" && Locale.find("@latin") != std::string_view::npos)
        return {852, 1250};
    for (const auto& E : kLocalePages) {
        if (Language != E.Language)
            continue;
        if (*E.Region == '\0' || Region == E.Region)
            return {E.Oem, E.Ansi};
    }
    return kFallback;
}

#ifndef _WIN32
// On Windows the system itself knows its OEM and ANSI pages: the Win32 backend asks it.
TKSCodePagePair KSLocaleCodePages() {
    // The same precedence the C library uses for the character type category.
    for (const char* Var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* V = std::getenv(Var);
        if (V && *V)
            return KSCodePagesForLocale(V);
    }
    return kFallback;
}
#endif

} // namespace ks
