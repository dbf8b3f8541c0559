// CliCommon.cpp -- what the verbs share.
#include "cli/CliCommon.h"
#include "cli/CliVerbs.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <new>

#include "archive/KSConst.h"
#include "archive/KSExcept.h"
#include "platform/KSCodePages.h"
#include "platform/KSConsole.h"
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

void KSAppendPrintableName(std::string& Out, const TKSString& Name) {
    static const char Hex[] = "0123456789ABCDEF";
    const size_t N = Name.size();
    for (size_t i = 0; i < N; ++i) {
        uint32_t C = Name[i];
        if (C < 0x80) {
            if (C < 0x20 || C == 0x7F) {
                const char Esc[4] = {'\\', 'x', Hex[C >> 4], Hex[C & 15]};
                Out.append(Esc, 4);
            } else {
                Out.push_back(static_cast<char>(C));
            }
            continue;
        }
        if (C >= 0xD800 && C <= 0xDFFF) {
            // A surrogate pair is one code point; a lone surrogate becomes U+FFFD.
            if (C <= 0xDBFF && i + 1 < N && Name[i + 1] >= 0xDC00 && Name[i + 1] <= 0xDFFF) {
                C = 0x10000 + ((C - 0xD800) << 10) + (Name[i + 1] - 0xDC00u);
                ++i;
            } else {
                C = 0xFFFD;
            }
        }
        char B[4];
        size_t Len;
        if (C < 0x800) {
            B[0] = static_cast<char>(0xC0 | (C >> 6));
            B[1] = static_cast<char>(0x80 | (C & 0x3F));
            Len = 2;
        } else if (C < 0x10000) {
            B[0] = static_cast<char>(0xE0 | (C >> 12));
            B[1] = static_cast<char>(0x80 | ((C >> 6) & 0x3F));
            B[2] = static_cast<char>(0x80 | (C & 0x3F));
            Len = 3;
        } else {
            B[0] = static_cast<char>(0xF0 | (C >> 18));
            B[1] = static_cast<char>(0x80 | ((C >> 12) & 0x3F));
            B[2] = static_cast<char>(0x80 | ((C >> 6) & 0x3F));
            B[3] = static_cast<char>(0x80 | (C & 0x3F));
            Len = 4;
        }
        Out.append(B, Len);
    }
}

std::string KSPrintableName(const TKSString& Name) {
    std::string Out;
    Out.reserve(Name.size());
    KSAppendPrintableName(Out, Name);
    return Out;
}

int KSReportFailure(std::string_view Synopsis) {
    try {
        throw;
    } catch (const ECliUsage& E) {
        KSPrintf(stderr, "kestrel: %s\nUsage: kestrel %.*s\n", E.what(), static_cast<int>(Synopsis.size()),
                 Synopsis.data());
    } catch (const Exception& E) {
        // The engine's composed message (component name, text, native code) as it is.
        KSPrintf(stderr, "%s\n", E.Message.c_str());
    } catch (const std::bad_alloc&) {
        KSPrintf(stderr, "kestrel: out of memory\n");
    } catch (const std::exception& E) {
        KSPrintf(stderr, "kestrel: %s\n", E.what());
    }
    return KSExitFailure;
}

} // namespace ks::cli
