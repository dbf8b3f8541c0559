// ListCommand.cpp -- "kestrel list": the items of an archive, one line each, in directory order.
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "archive/KSDirManager.h"
#include "archive/Kestrel.h"
#include "cli/CliCommon.h"
#include "cli/CliVerbs.h"
#include "platform/KSConsole.h"

namespace ks::cli {

namespace {

const char* MethodName(uint16_t Method) {
    switch (Method) {
    case 0:
        return "Stored";
    case 1:
        return "Shrunk";
    case 6:
        return "Implode";
    case 8:
        return "Deflate";
    case 9:
        return "Deflate64";
    case 12:
        return "BZip2";
    case 14:
        return "LZMA";
    case 93:
        return "Zstd";
    case 95:
        return "XZ";
    case 98:
        return "PPMd";
    case 99:
        return "AES";
    default:
        return nullptr;
    }
}

const char* EncryptionName(const TDirItem& Item) {
    if ((Item.CentralDir.genPurposeFlag & 1) == 0)
        return "-";
    switch (Item.KSEncryptionAlgorithm) {
    case caAES_128:
        return "AES-128";
    case caAES_192:
        return "AES-192";
    case caAES_256:
        return "AES-256";
    case caPkzipClassic:
        break;
    }
    return "ZipCrypto";
}

// Directory, read-only, hidden, system, archive: a letter when set, "-" when not.
std::string AttributeText(uint32_t Attr) {
    std::string S = "-----";
    const char Letters[] = "drhsa";
    const uint32_t Bits[] = {0x10, 0x01, 0x02, 0x04, 0x20};
    for (int i = 0; i < 5; ++i)
        if (Attr & Bits[i])
            S[i] = Letters[i];
    return S;
}

// The 0..100 per-cent saving, as the search record reports it: 100 for an empty item, never
// negative.
double Ratio(uint64_t Compressed, uint64_t Uncompressed) {
    if (Uncompressed == 0)
        return 100.0;
    const double R = (1.0 - static_cast<double>(Compressed) / static_cast<double>(Uncompressed)) * 100.0;
    return R < 0 ? 0 : R;
}

class TOutput {
public:
    ~TOutput() { Flush(); }
    void Add(const char* S) {
        FBuffer += S;
        if (FBuffer.size() >= 1 << 16)
            Flush();
    }
    // The name and the end of its line.
    void AddName(const TKSString& Name) {
        KSAppendPrintableName(FBuffer, Name);
        FBuffer += '\n';
        if (FBuffer.size() >= 1 << 16)
            Flush();
    }
    void Flush() {
        if (!FBuffer.empty())
            KSWriteText(stdout, FBuffer);
        FBuffer.clear();
    }

private:
    std::string FBuffer;
};

int RunList(const std::vector<std::string>& Args) {
    bool Verbose = false;
    std::string Archive;
    bool OptionsEnd = false;
    for (size_t i = 0; i < Args.size(); ++i) {
        const std::string& A = Args[i];
        if (!OptionsEnd && A == "--")
            OptionsEnd = true; // an archive whose name starts with "-" may follow
        else if (!OptionsEnd && (A == "-v" || A == "--verbose"))
            Verbose = true;
        else if (!OptionsEnd && KSParseCodePageOption(Args, i))
            continue;
        else if (!OptionsEnd && A.size() > 1 && A[0] == '-')
            throw ECliUsage("unknown option \"" + A + "\"");
        else if (Archive.empty())
            Archive = A;
        else
            throw ECliUsage("only one ARCHIVE may be given");
    }
    if (Archive.empty())
        throw ECliUsage("missing ARCHIVE");

    // The process ends right after the listing. The component stays reachable here instead of
    // being destroyed, so that a large directory (several allocations per item) goes back to the
    // system with the process rather than item by item; the archive is open read-only, so there
    // is nothing to write on closing.
    static TKestrel* Arc = nullptr;
    Arc = new TKestrel;
    Arc->SetName("Kestrel");
    KSOpenForReading(*Arc, Archive);
    TKSDirArray& Dir = Arc->DMHandle->CDir;
    const int32_t Count = Dir.Count();
    TOutput Out;
    char Line[256];
    if (Verbose) {
        std::snprintf(Line, sizeof(Line), "%12s %12s %6s %-10s %-8s %-8s %-5s %-9s %-9s %s\n", "Length",
                      "Compressed", "Ratio", "Date", "Time", "CRC-32", "Attr", "Method", "Encrypt", "Name");
        Out.Add(Line);
    }
    uint64_t TotalSize = 0, TotalCompressed = 0;
    for (int32_t i = 0; i < Count; ++i) {
        const TDirItem& Item = *Dir.GetItemPtr(i);
        if (Verbose) {
            const TKSZipCentralDir& CD = Item.CentralDir;
            const uint64_t Size = Item.EffUnCompSize(), Compressed = Item.EffCompSize();
            TotalSize += Size;
            TotalCompressed += Compressed;
            const char* Method = MethodName(Item.CompressionMethod);
            char MethodBuf[16];
            if (!Method) {
                std::snprintf(MethodBuf, sizeof(MethodBuf), "M%u", Item.CompressionMethod);
                Method = MethodBuf;
            }
            std::snprintf(Line, sizeof(Line),
                          "%12" PRIu64 " %12" PRIu64 " %5.1f%% %04u-%02u-%02u %02u:%02u:%02u %08" PRIX32
                          " %-5s %-9s %-9s ",
                          Size, Compressed, Ratio(Compressed, Size), 1980u + (CD.lastModDate >> 9),
                          (CD.lastModDate >> 5) & 15u, CD.lastModDate & 31u, CD.lastModTime >> 11u,
                          (CD.lastModTime >> 5) & 63u, (CD.lastModTime & 31u) * 2u, CD.crc32,
                          AttributeText(CD.externalAttr).c_str(), Method, EncryptionName(Item));
            Out.Add(Line);
        }
        Out.AddName(Item.Name);
    }
    if (Verbose) {
        std::snprintf(Line, sizeof(Line), "%12" PRIu64 " %12" PRIu64 " %5.1f%% %d item%s\n", TotalSize,
                      TotalCompressed, Ratio(TotalCompressed, TotalSize), Count, Count == 1 ? "" : "s");
        Out.Add(Line);
    }
    return KSExitOK;
}

const TCliVerb ListVerb{
    "list", 10, "list ARCHIVE [-v] [--oem-cp N] [--ansi-cp N]",
    "One line per item, in directory order: the stored name as UTF-8 with \"/\" separators\n"
    "(folders end with \"/\"; control characters are shown as \\xNN).\n"
    "-v            adds columns: uncompressed and compressed size, ratio, date and time,\n"
    "              CRC-32, attributes (d r h s a), method and encryption, and a total line\n"
    "--oem-cp N    the OEM code page of names stored without a Unicode form (437, 850, 852, ...)\n"
    "--ansi-cp N   the ANSI code page those names pass through (1250, 1252, ...)\n"
    "--            ends the options (for an archive whose name starts with \"-\")",
    &RunList};

const TCliVerbRegistration ListRegistration(ListVerb);

} // namespace

} // namespace ks::cli
