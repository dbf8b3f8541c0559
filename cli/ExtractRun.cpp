// ExtractRun.cpp -- the shared body of "kestrel extract" and "kestrel test".
#include "cli/ExtractRun.h"

#include <cstdio>
#include <string>
#include <vector>

#include "archive/KSBaseArchiver.h"
#include "archive/KSExtract.h"
#include "archive/KSOptions.h"
#include "archive/KSPasswordRetry.h"
#include "archive/Kestrel.h"
#include "cli/CliCommon.h"
#include "cli/CliVerbs.h"
#include "cli/ProgressBar.h"
#include "cli/TerminalPrompts.h"
#include "platform/KSConsole.h"
#include "platform/KSFiles.h"
#include "platform/KSStrings.h"

namespace ks::cli {

namespace {

struct TRunOptions {
    std::string Archive;
    std::string Dir;
    bool HasDir = false;
    std::string Password;
    bool HasPassword = false;
    TKSOverwriteMode Overwrite = omPrompt;
    std::string Exclude;
    std::vector<std::string> Masks;
};

TKSOverwriteMode ParseOverwrite(const std::string& V) {
    if (V == "always")
        return omAlways;
    if (V == "never")
        return omNever;
    if (V == "prompt")
        return omPrompt;
    if (V == "newer")
        return omIfNewer;
    if (V == "older")
        return omIfOlder;
    throw ECliUsage("--overwrite: \"" + V + "\" is not one of always, never, prompt, newer, older");
}

const std::string& Value(const std::vector<std::string>& Args, size_t& i) {
    if (i + 1 >= Args.size())
        throw ECliUsage(Args[i] + " needs a value");
    return Args[++i];
}

TRunOptions Parse(const std::vector<std::string>& Args, bool Test) {
    TRunOptions o;
    bool onlyOperands = false;
    for (size_t i = 0; i < Args.size(); ++i) {
        const std::string& a = Args[i];
        if (!onlyOperands && a == "--") {
            onlyOperands = true;
        } else if (!onlyOperands && a == "-p") {
            if (o.HasPassword)
                throw ECliUsage("-p may be given once");
            o.Password = Value(Args, i);
            o.HasPassword = true;
        } else if (!onlyOperands && !Test && a == "-d") {
            if (o.HasDir)
                throw ECliUsage("-d may be given once");
            o.Dir = Value(Args, i);
            o.HasDir = true;
            if (o.Dir.empty())
                throw ECliUsage("-d needs a folder");
        } else if (!onlyOperands && !Test && a == "--overwrite") {
            o.Overwrite = ParseOverwrite(Value(Args, i));
        } else if (!onlyOperands && !Test && a == "-x") {
            if (!o.Exclude.empty())
                throw ECliUsage("-x may be given once");
            o.Exclude = Value(Args, i);
        } else if (!onlyOperands && KSParseCodePageOption(Args, i)) {
            continue;
        } else if (!onlyOperands && a.size() > 1 && a[0] == '-') {
            throw ECliUsage("unknown option \"" + a + "\"");
        } else if (o.Archive.empty()) {
            o.Archive = a;
        } else {
            o.Masks.push_back(a);
        }
    }
    if (o.Archive.empty())
        throw ECliUsage("missing ARCHIVE");
    if (o.Masks.empty())
        o.Masks.push_back("*.*");
    return o;
}

const char* OutcomeText(TKSItemOutcome O) {
    switch (O) {
    case TKSItemOutcome::NotReached:
        return "not reached";
    case TKSItemOutcome::Skipped:
        return "skipped";
    case TKSItemOutcome::Cancelled:
        return "cancelled";
    case TKSItemOutcome::Corrupted:
        return "corrupted";
    case TKSItemOutcome::Failed:
        return "failed";
    case TKSItemOutcome::Done:
        break;
    }
    return "done";
}

} // namespace

int KSRunExtractOrTest(const std::vector<std::string>& Args, bool Test) {
    const TRunOptions o = Parse(Args, Test);

    TKestrel Arc;
    Arc.SetName("Kestrel");
    KSOpenForReading(Arc, o.Archive);

    Arc.SetBaseDir(o.HasDir ? Utf8ToWide(o.Dir) : KSGetCurrentDir());
    // Passwords are text: the ANSI form first, the UTF-8 form when that fails, then the prompts.
    TKSPasswordRetry passwords;
    if (o.HasPassword)
        Arc.SetPassword(passwords.Begin(o.Password));
    Arc.FOnPassword = passwords.Handler();
    Arc.Options()->SetOverwriteMode(o.Overwrite);

    TTerminalPrompts terminal;
    TUnattendedPrompts unattended;
    TKSPrompts* previous =
        KSSetPrompts(KSStdinIsTerminal() ? static_cast<TKSPrompts*>(&terminal) : &unattended);
    struct TRestore {
        TKSPrompts* P;
        ~TRestore() { KSSetPrompts(P); }
    } restore{previous};

    TProgressBar bar;
    bar.Attach(Arc);

    size_t sound = 0, bad = 0, seen = 0;
    bool stopped = false;
    std::string escaped;
    for (const std::string& mask : o.Masks) {
        try {
            if (Test)
                Arc.TestFiles(Utf8ToWide(mask), KSDefaultSearchAttr, Utf8ToWide(o.Exclude));
            else
                Arc.ExtractFiles(Utf8ToWide(mask), KSDefaultSearchAttr, Utf8ToWide(o.Exclude));
        } catch (const std::exception& e) {
            // An error the engine does not offer to the failure event (a read error of the archive
            // stream): the run ends here.
            escaped = e.what();
            stopped = true;
        }
        bar.Clear();
        const TKSRunReport& rep = Arc.LastRunReport();
        if (rep.Items.empty() && escaped.empty())
            KSPrintf(stderr, "kestrel: no item matches \"%s\"\n", mask.c_str());
        for (const TKSItemReport& it : rep.Items) {
            ++seen;
            if (it.Outcome == TKSItemOutcome::Done) {
                ++sound;
                continue;
            }
            ++bad;
            const std::string name = KSPrintableName(it.Name);
            if (it.Outcome == TKSItemOutcome::Failed)
                KSPrintf(stderr, "kestrel: %s: %s\n", name.c_str(), it.Message.c_str());
            else if (it.Reason.empty())
                KSPrintf(stderr, "kestrel: %s: %s\n", name.c_str(), OutcomeText(it.Outcome));
            else
                KSPrintf(stderr, "kestrel: %s: %s (%s)\n", name.c_str(), OutcomeText(it.Outcome),
                         it.Reason.c_str());
        }
        if (!escaped.empty()) {
            KSPrintf(stderr, "kestrel: %s\n", escaped.c_str());
            ++bad;
        }
        if (rep.Aborted || rep.Cancelled) {
            KSPrintf(stderr, "kestrel: the run was %s\n", rep.Aborted ? "aborted" : "cancelled");
            stopped = true;
        }
        if (stopped)
            break;
    }
    if (Test)
        KSPrintf(stdout, "%zu item%s tested, %zu sound, %zu not\n", seen, seen == 1 ? "" : "s", sound, bad);
    std::fflush(stdout);
    return bad == 0 && !stopped ? KSExitOK : KSExitItemFailed;
}

} // namespace ks::cli
