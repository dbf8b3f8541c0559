// KSPathRules.cpp -- name and path rules that need no file-system access.
#include "platform/KSFiles.h"
#include "platform/KSStrings.h"

namespace ks {

namespace {

bool IsDelimiter(TKSChar C) {
    return C == u'\\' || C == u'/' || C == u':';
}
bool IsSeparator(TKSChar C) {
    return C == u'\\' || C == u'/';
}

// Index just past the last "\", "/" or ":", or 0.
std::size_t AfterLastDelimiter(const TKSString& S) {
    for (std::size_t I = S.size(); I > 0; --I)
        if (IsDelimiter(S[I - 1]))
            return I;
    return 0;
}

} // namespace

TKSString GetSlashedDir(const TKSString& Dir, const TKSString& CurDir) {
    TKSString R = Dir.empty() ? CurDir : Dir;
    if (R.empty() || R.back() != u'\\')
        R.push_back(u'\\');
    return R;
}

TKSString KSExtractFileName(const TKSString& FileName) {
    return FileName.substr(AfterLastDelimiter(FileName));
}

TKSString KSExtractFilePath(const TKSString& FileName) {
    return FileName.substr(0, AfterLastDelimiter(FileName));
}

TKSString KSExtractFileExt(const TKSString& FileName) {
    const std::size_t Start = AfterLastDelimiter(FileName);
    const std::size_t Dot = FileName.rfind(u'.');
    if (Dot == TKSString::npos || Dot < Start)
        return TKSString();
    return FileName.substr(Dot);
}

TKSString KSExtractFileDrive(const TKSString& FileName) {
    if (FileName.size() >= 2 && FileName[1] == u':' &&
        ((FileName[0] >= u'A' && FileName[0] <= u'Z') || (FileName[0] >= u'a' && FileName[0] <= u'z')))
        return FileName.substr(0, 2);
    // \\server\share: up to (not including) the separator after the share name.
    if (FileName.size() >= 2 && IsSeparator(FileName[0]) && IsSeparator(FileName[1])) {
        std::size_t I = 2;
        int Parts = 0;
        while (I < FileName.size()) {
            if (IsSeparator(FileName[I]) && ++Parts == 2)
                break;
            ++I;
        }
        return FileName.substr(0, I);
    }
    return TKSString();
}

bool IsFloppyDrive(const TKSString& FileName) {
    const TKSString Drive = KSUpperCase(KSExtractFileDrive(FileName));
    return Drive == u"A:" || Drive == u"B:";
}

AnsiString KSToNativePath(const TKSString& FileName) {
    AnsiString R = WideToUtf8(FileName);
    for (char& C : R)
        if (C == '\\')
            C = '/';
    return R;
}

TKSString KSFromNativePath(const AnsiString& NativeName) {
    return Utf8ToWide(NativeName);
}

} // namespace ks
