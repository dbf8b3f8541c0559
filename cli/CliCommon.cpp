// CliCommon.cpp -- what the verbs share.
#include "cli/CliCommon.h"
#include "cli/CliVerbs.h"

#include <charconv>
#include <cstdio>
#include <new>

#include "archive/KSConst.h"
#include "archive/KSExcept.h"
#include "platform/KSCodePages.h"
#include "platform/KSException.h"
#include "platform/KSFiles.h"
#include "platform/KSStrings.h"

namespace ks::cli {

bool KSParseCodePageOption(const std::vector<std::string>& Args, size_t& i) {
    const std::string& Opt = Args[i];
    const bool Oem = Opt == "--oem-cp", Ansi = Opt == "--ansi-cp";
    if (!Oem && !Ansi)
        return false;
    if (i + 1 >= Args.size())
        throw ECliUsage(Opt + " needs a code page number");
    const std::string& Value = Args[++i];
    unsigned Page = 0;
    auto [Ptr, Ec] = std::from_chars(Value.data(), Value.data() + Value.size(), Page);
    if (Value.empty() || Ec != std::errc() || Ptr != Value.data() + Value.size())
        throw ECliUsage(Opt + ": \"" + Value + "\" is not a code page number");
    if (!(Oem ? KSSetOemCodePage(Page) : KSSetAnsiCodePage(Page)))
        throw ECliUsage(Opt + ": code page " + Value + " is not supported");
    return true;
}

void KSOpenForReading(TKestrel& Arc, const std::string& FileName) {
    Arc.SetFileName(Utf8ToWide(FileName));
    // Checked here as well, so that no drive type or spanning rule can turn a mistyped name into
    // anything but native 12.
    if (!KSFileExists(Arc.FileName()))
        throw EKSException(KSNE_OpenArchiveNotFound, {Arc.FileName()}, &Arc);
    Arc.OpenArchive(KSOpenModeReadOnly);
}

std::string KSPrintableName(const TKSString& Name) {
    const std::string Utf8 = WideToUtf8(Name);
    std::string Out;
    Out.reserve(Utf8.size());
    for (char C : Utf8) {
        const auto B = static_cast<unsigned char>(C);
        if (B < 0x20 || B == 0x7F) {
            static const char Hex[] = "0123456789ABCDEF";
            Out += "\\x";
            Out += Hex[B >> 4];
            Out += Hex[B & 15];
        } else {
            Out += C;
        }
    }
    return Out;
}

int KSReportFailure(std::string_view Synopsis) {
    try {
        throw;
    } catch (const ECliUsage& E) {
        std::fprintf(stderr, "kestrel: %s\nUsage: kestrel %.*s\n", E.what(),
                     static_cast<int>(Synopsis.size()), Synopsis.data());
    } catch (const Exception& E) {
        // The engine's composed message (component name, text, native code) as it is.
        std::fprintf(stderr, "%s\n", E.Message.c_str());
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "kestrel: out of memory\n");
    } catch (const std::exception& E) {
        std::fprintf(stderr, "kestrel: %s\n", E.what());
    }
    return KSExitFailure;
}

} // namespace ks::cli
