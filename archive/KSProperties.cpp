// KSProperties.cpp -- the published properties as a table of text getters and setters.
#include "archive/KSProperties.h"

#include <charconv>
#include <cstdint>
#include <functional>
#include <limits>
#include <span>

#include "archive/Kestrel.h"
#include "platform/KSException.h"
#include "platform/KSStrings.h"

namespace ks {

namespace {

constexpr const char* CompressionLevelNames[] = {"clNone", "clFastest", "clNormal", "clMax"};
constexpr const char* StorePathNames[] = {"spNoPath", "spRelativePath", "spFullPath", "spFullPathWithDrive"};
constexpr const char* ShareModeNames[] = {"smShareCompat", "smShareExclusive", "smShareDenyWrite",
                                          "smShareDenyRead", "smShareDenyNone"};
constexpr const char* OverwriteModeNames[] = {"omPrompt", "omAlways", "omNever", "omIfNewer", "omIfOlder"};
constexpr const char* SpanningModeNames[] = {"smNone", "smSpanning", "smSplitting"};
constexpr const char* VolumeSizeNames[] = {"vsAutoDetect", "vsCustom", "vs1_44MB", "vs100MB", "vs200MB",
                                           "vs250MB",      "vs600MB",  "vs650MB",  "vs700MB", "vs4700MB"};
constexpr const char* CryptoAlgorithmNames[] = {"caPkzipClassic", "caAES_128", "caAES_192", "caAES_256"};
constexpr const char* Zip64ModeNames[] = {"zmDisabled", "zmAuto", "zmAlways"};

bool SameAscii(std::string_view A, std::string_view B) {
    if (A.size() != B.size())
        return false;
    for (size_t i = 0; i < A.size(); ++i) {
        char X = A[i], Y = B[i];
        if (X >= 'A' && X <= 'Z')
            X = static_cast<char>(X - 'A' + 'a');
        if (Y >= 'A' && Y <= 'Z')
            Y = static_cast<char>(Y - 'A' + 'a');
        if (X != Y)
            return false;
    }
    return true;
}

[[noreturn]] void BadValue(std::string_view Name, std::string_view Value) {
    throw Exception("Invalid value \"" + AnsiString(Value) + "\" for property " + AnsiString(Name));
}

template <typename T> T ParseInteger(std::string_view Name, std::string_view Value) {
    std::string_view V = Value;
    if (!V.empty() && V.front() == '+')
        V.remove_prefix(1);
    T Result{};
    auto [Ptr, Ec] = std::from_chars(V.data(), V.data() + V.size(), Result);
    if (V.empty() || Ec != std::errc() || Ptr != V.data() + V.size())
        BadValue(Name, Value);
    return Result;
}

bool ParseBool(std::string_view Name, std::string_view Value) {
    if (SameAscii(Value, "True") || Value == "1")
        return true;
    if (SameAscii(Value, "False") || Value == "0")
        return false;
    BadValue(Name, Value);
}

template <typename E, size_t N>
E ParseEnum(std::string_view Name, std::string_view Value, const char* const (&Names)[N]) {
    for (size_t i = 0; i < N; ++i)
        if (SameAscii(Value, Names[i]))
            return static_cast<E>(i);
    if (!Value.empty() && Value.front() >= '0' && Value.front() <= '9') {
        const auto Ordinal = ParseInteger<unsigned>(Name, Value);
        if (Ordinal < N)
            return static_cast<E>(Ordinal);
    }
    BadValue(Name, Value);
}

template <size_t N> AnsiString EnumText(unsigned Ordinal, const char* const (&Names)[N]) {
    return Ordinal < N ? AnsiString(Names[Ordinal]) : std::to_string(Ordinal);
}

AnsiString BoolText(bool B) {
    return B ? "True" : "False";
}

AnsiString ListText(const TKSStringList& L) {
    AnsiString Text;
    for (int i = 0; i < L.Count(); ++i) {
        if (i > 0)
            Text += '\n';
        Text += WideToUtf8(L[i]);
    }
    return Text;
}

TKSStringList ParseList(std::string_view Value) {
    TKSStringList L;
    while (!Value.empty()) {
        const size_t Eol = Value.find('\n');
        std::string_view Line = Value.substr(0, Eol);
        if (!Line.empty() && Line.back() == '\r')
            Line.remove_suffix(1);
        L.Add(Utf8ToWide(Line));
        if (Eol == std::string_view::npos)
            break;
        Value.remove_prefix(Eol + 1);
    }
    return L;
}

TKestrel& AsKestrel(TKSBaseArchiver& Arc, std::string_view Name) {
    auto* K = dynamic_cast<TKestrel*>(&Arc);
    if (!K)
        throw Exception("Property " + AnsiString(Name) + " does not exist");
    return *K;
}

struct TPropertyDef {
    const char* Name;
    bool KestrelOnly;
    std::function<AnsiString(const TKSBaseArchiver&)> Get;
    std::function<void(TKSBaseArchiver&, std::string_view Name, std::string_view Value)> Set;
};

using A = TKSBaseArchiver;
using SV = std::string_view;

const std::vector<TPropertyDef>& Properties() {
    static const std::vector<TPropertyDef> Table = {
        {"Name", false, [](const A& a) { return a.Name(); },
         [](A& a, SV, SV v) { a.SetName(AnsiString(v)); }},
        {"ExtractCorruptedFiles", false, [](const A& a) { return BoolText(a.FExtractCorruptedFiles); },
         [](A& a, SV n, SV v) { a.SetExtractCorruptedFiles(ParseBool(n, v)); }},
        {"CompressionLevel", false,
         [](const A& a) { return EnumText(a.FCompressionLevel, CompressionLevelNames); },
         [](A& a, SV n, SV v) {
             a.SetCompressionLevel(ParseEnum<TKSCompressionLevel>(n, v, CompressionLevelNames));
         }},
        {"CompressionMode", false, [](const A& a) { return std::to_string(a.FCompressionMode); },
         [](A& a, SV n, SV v) { a.SetCompressionMode(ParseInteger<uint8_t>(n, v)); }},
        {"CurrentVersion", false, [](const A& a) { return WideToUtf8(a.GetCurrentVersionText()); },
         [](A& a, SV, SV v) { a.SetCurrentVersionText(Utf8ToWide(v)); }},
        {"Password", false, [](const A& a) { return a.FPassword; },
         [](A& a, SV, SV v) { a.SetPassword(AnsiString(v)); }},
        {"FileName", false, [](const A& a) { return WideToUtf8(a.FFileName); },
         [](A& a, SV, SV v) { a.SetFileName(Utf8ToWide(v)); }},
        {"BaseDir", false, [](const A& a) { return WideToUtf8(a.FBaseDir); },
         [](A& a, SV, SV v) { a.SetBaseDir(Utf8ToWide(v)); }},
        {"TempDir", false, [](const A& a) { return WideToUtf8(a.FTempDir); },
         [](A& a, SV, SV v) { a.SetTempDir(Utf8ToWide(v)); }},
        {"SFXStub", false, [](const A& a) { return WideToUtf8(a.FSFXStub); },
         [](A& a, SV, SV v) { a.SetSFXStub(Utf8ToWide(v)); }},
        {"SpanningMode", false, [](const A& a) { return EnumText(a.FSpanningMode, SpanningModeNames); },
         [](A& a, SV n, SV v) { a.SetSpanningMode(ParseEnum<TKSSpanningMode>(n, v, SpanningModeNames)); }},
        {"SpanningOptions.AdvancedNaming", false,
         [](const A& a) { return BoolText(a.FSpanningOptions->FAdvancedNaming); },
         [](A& a, SV n, SV v) { a.FSpanningOptions->SetAdvancedNaming(ParseBool(n, v)); }},
        {"SpanningOptions.FirstVolumeSize", false,
         [](const A& a) { return std::to_string(a.FSpanningOptions->FFirstVolumeSize); },
         [](A& a, SV n, SV v) { a.FSpanningOptions->SetFirstVolumeSize(ParseInteger<int64_t>(n, v)); }},
        {"SpanningOptions.VolumeSize", false,
         [](const A& a) { return EnumText(a.FSpanningOptions->FVolumeSize, VolumeSizeNames); },
         [](A& a, SV n, SV v) {
             a.FSpanningOptions->SetVolumeSize(ParseEnum<TKSVolumeSize>(n, v, VolumeSizeNames));
         }},
        {"SpanningOptions.CustomVolumeSize", false,
         [](const A& a) { return std::to_string(a.FSpanningOptions->FCustomVolumeSize); },
         [](A& a, SV n, SV v) { a.FSpanningOptions->SetCustomVolumeSize(ParseInteger<int64_t>(n, v)); }},
        {"Options.StorePath", false,
         [](const A& a) { return EnumText(a.FOptions->FStorePath, StorePathNames); },
         [](A& a, SV n, SV v) {
             a.FOptions->SetStorePath(ParseEnum<TKSStorePathMode>(n, v, StorePathNames));
         }},
        {"Options.Recurse", false, [](const A& a) { return BoolText(a.FOptions->FRecurse); },
         [](A& a, SV n, SV v) { a.FOptions->SetRecurse(ParseBool(n, v)); }},
        {"Options.ShareMode", false,
         [](const A& a) { return EnumText(a.FOptions->FShareMode, ShareModeNames); },
         [](A& a, SV n, SV v) {
             a.FOptions->SetShareMode(ParseEnum<TKSFileShareMode>(n, v, ShareModeNames));
         }},
        {"Options.OverwriteMode", false,
         [](const A& a) { return EnumText(a.FOptions->FOverwriteMode, OverwriteModeNames); },
         [](A& a, SV n, SV v) {
             a.FOptions->SetOverwriteMode(ParseEnum<TKSOverwriteMode>(n, v, OverwriteModeNames));
         }},
        {"Options.CreateDirs", false, [](const A& a) { return BoolText(a.FOptions->FCreateDirs); },
         [](A& a, SV n, SV v) { a.FOptions->SetCreateDirs(ParseBool(n, v)); }},
        {"Options.ReplaceReadOnly", false, [](const A& a) { return BoolText(a.FOptions->FReplaceReadOnly); },
         [](A& a, SV n, SV v) { a.FOptions->SetReplaceReadOnly(ParseBool(n, v)); }},
        {"Options.SetAttributes", false, [](const A& a) { return BoolText(a.FOptions->FSetAttributes); },
         [](A& a, SV n, SV v) { a.FOptions->SetSetAttributes(ParseBool(n, v)); }},
        {"Options.SearchAttr", false, [](const A& a) { return std::to_string(a.FOptions->FSearchAttr); },
         [](A& a, SV n, SV v) { a.FOptions->SetSearchAttr(ParseInteger<int32_t>(n, v)); }},
        {"Options.FlushBuffers", false, [](const A& a) { return BoolText(a.FOptions->FFlushBuffers); },
         [](A& a, SV n, SV v) { a.FOptions->SetFlushBuffers(ParseBool(n, v)); }},
        {"Options.OEMFileNames", false, [](const A& a) { return BoolText(a.FOptions->FOEMFileNames); },
         [](A& a, SV n, SV v) { a.FOptions->SetOEMFileNames(ParseBool(n, v)); }},
        {"FileMasks", false, [](const A& a) { return ListText(*a.FFileMasks); },
         [](A& a, SV, SV v) { a.SetFileMasks(ParseList(v)); }},
        {"ExclusionMasks", false, [](const A& a) { return ListText(*a.FExclusionMasks); },
         [](A& a, SV, SV v) { a.SetExclusionMasks(ParseList(v)); }},
        {"NoCompressionMasks", false, [](const A& a) { return ListText(*a.FNoCompressionMasks); },
         [](A& a, SV, SV v) { a.SetNoCompressionMasks(ParseList(v)); }},
        {"InMemory", false, [](const A& a) { return BoolText(a.FInMemory); },
         [](A& a, SV n, SV v) { a.SetInMemory(ParseBool(n, v)); }},
        {"Zip64Mode", true, [](const A& a) { return EnumText(a.FZip64Mode, Zip64ModeNames); },
         [](A& a, SV n, SV v) { AsKestrel(a, n).SetZip64Mode(ParseEnum<TZip64Mode>(n, v, Zip64ModeNames)); }},
        {"UnicodeFilenames", true, [](const A& a) { return BoolText(a.FUnicodeFilenames); },
         [](A& a, SV n, SV v) { AsKestrel(a, n).SetUnicodeFilenames(ParseBool(n, v)); }},
        {"EncryptionMethod", true,
         [](const A& a) { return EnumText(a.FKSCryptoAlgorithm, CryptoAlgorithmNames); },
         [](A& a, SV n, SV v) {
             AsKestrel(a, n).SetEncryptionMethod(ParseEnum<TKSCryptoAlgorithm>(n, v, CryptoAlgorithmNames));
         }},
    };
    return Table;
}

const TPropertyDef& FindProperty(const TKSBaseArchiver& Arc, std::string_view Name) {
    const bool IsKestrel = dynamic_cast<const TKestrel*>(&Arc) != nullptr;
    for (const TPropertyDef& P : Properties())
        if (SameAscii(P.Name, Name) && (!P.KestrelOnly || IsKestrel))
            return P;
    throw Exception("Property " + AnsiString(Name) + " does not exist");
}

} // namespace

void KSSetPropertyByName(TKSBaseArchiver& Arc, std::string_view Name, std::string_view Value) {
    const TPropertyDef& P = FindProperty(Arc, Name);
    P.Set(Arc, P.Name, Value);
}

AnsiString KSGetPropertyByName(const TKSBaseArchiver& Arc, std::string_view Name) {
    return FindProperty(Arc, Name).Get(Arc);
}

std::vector<AnsiString> KSPublishedPropertyNames(const TKSBaseArchiver& Arc) {
    const bool IsKestrel = dynamic_cast<const TKestrel*>(&Arc) != nullptr;
    std::vector<AnsiString> Names;
    for (const TPropertyDef& P : Properties())
        if (!P.KestrelOnly || IsKestrel)
            Names.emplace_back(P.Name);
    return Names;
}

} // namespace ks
