// KSStoredName.cpp -- stored item names turned into paths that stay inside the target folder.
//
// The same rules hold on every platform, so an archive extracts to the same files (or fails the
// same items) wherever it is opened: names that Windows would read as something other than a
// file in the target folder -- an alternate data stream ("a.txt:hidden"), a device ("CON",
// "nul.txt", "Com1.log") -- are refused everywhere, since an archive made on one system is
// often extracted on the other.
#include <algorithm>
#include <vector>

#include "archive/KSExtract.h"

namespace ks {

namespace {

bool IsSep(TKSChar C) {
    return C == u'\\' || C == u'/';
}

TKSChar AsciiUpper(TKSChar C) {
    return C >= u'a' && C <= u'z' ? static_cast<TKSChar>(C - u'a' + u'A') : C;
}

bool EqualsIgnoringAsciiCase(const TKSString& S, const char16_t* Upper) {
    size_t i = 0;
    for (; i < S.size() && Upper[i]; ++i)
        if (AsciiUpper(S[i]) != Upper[i])
            return false;
    return i == S.size() && !Upper[i];
}

// Windows opens a device, not a file, for a path component whose part before the first dot
// (trailing blanks ignored) is one of these names, in any letter case and with any extension.
bool IsReservedDeviceName(const TKSString& Component) {
    TKSString Base = Component.substr(0, Component.find(u'.'));
    while (!Base.empty() && Base.back() == u' ')
        Base.pop_back();
    if (Base.size() == 4) {
        const TKSString Stem = Base.substr(0, 3);
        const TKSChar Digit = Base[3];
        const bool Numbered = (Digit >= u'0' && Digit <= u'9') || Digit == u'\u00B9' || Digit == u'\u00B2' ||
                              Digit == u'\u00B3';
        if (Numbered && (EqualsIgnoringAsciiCase(Stem, u"COM") || EqualsIgnoringAsciiCase(Stem, u"LPT")))
            return true;
    }
    for (const char16_t* Name : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"})
        if (EqualsIgnoringAsciiCase(Base, Name))
            return true;
    return false;
}

} // namespace

bool KSConfineStoredName(const TKSString& Name, TKSString& Out) {
    TKSString s = Name;
    std::replace(s.begin(), s.end(), u'\0', u'_');
    size_t p = 0;
    // Leading separators, UNC prefixes (\\server\share) and drive letters, in any combination.
    for (;;) {
        if (p + 1 < s.size() && IsSep(s[p]) && IsSep(s[p + 1])) {
            p += 2;
            for (int part = 0; part < 2; ++part) { // server, share
                while (p < s.size() && IsSep(s[p]))
                    ++p;
                while (p < s.size() && !IsSep(s[p]))
                    ++p;
            }
            continue;
        }
        if (p < s.size() && IsSep(s[p])) {
            ++p;
            continue;
        }
        if (p + 1 < s.size() && s[p + 1] == u':' &&
            ((s[p] >= u'A' && s[p] <= u'Z') || (s[p] >= u'a' && s[p] <= u'z'))) {
            p += 2;
            continue;
        }
        break;
    }
    const bool trailing = !s.empty() && IsSep(s.back());
    std::vector<TKSString> parts;
    while (p < s.size()) {
        size_t q = p;
        while (q < s.size() && !IsSep(s[q]))
            ++q;
        TKSString c = s.substr(p, q - p);
        // Every colon left is not a drive prefix: on Windows it names a data stream of a file
        // (or is refused); a device name writes to that device.
        if (c.find(u':') != TKSString::npos || IsReservedDeviceName(c))
            return false;
        if (c == u"..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!c.empty() && c != u".") {
            parts.push_back(std::move(c));
        }
        p = q + 1;
    }
    if (parts.empty())
        return false;
    Out.clear();
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i)
            Out += u'\\';
        Out += parts[i];
    }
    if (trailing)
        Out += u'\\';
    return true;
}

} // namespace ks
