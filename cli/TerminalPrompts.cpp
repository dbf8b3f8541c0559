// TerminalPrompts.cpp -- terminal and unattended answers to the engine's questions.
#include "cli/TerminalPrompts.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/KSConsole.h"

namespace ks::cli {

namespace {

void (*gBeforePrompt)() = nullptr;

struct TChoice {
    TKSPromptButton Button;
    const char* Key; // what the user types
    const char* Label;
};

// Keys are distinct by case where needed: "y"/"n" for one file, "A"/"N" for all of them.
const TChoice kChoices[] = {
    {pbYes, "y", "[y]es"},      {pbNo, "n", "[n]o"},       {pbYesToAll, "A", "[A]ll"},
    {pbNoToAll, "N", "[N]one"}, {pbOK, "o", "[o]k"},       {pbCancel, "c", "[c]ancel"},
    {pbAbort, "a", "[a]bort"},  {pbRetry, "r", "[r]etry"}, {pbIgnore, "i", "[i]gnore"},
};

const char* ButtonName(TKSPromptButton B) {
    switch (B) {
    case pbOK:
        return "OK";
    case pbCancel:
        return "Cancel";
    case pbAbort:
        return "Abort";
    case pbRetry:
        return "Retry";
    case pbIgnore:
        return "Ignore";
    case pbYes:
        return "Yes";
    case pbNo:
        return "No";
    case pbNoToAll:
        return "No to All";
    case pbYesToAll:
        return "Yes to All";
    case pbNone:
        break;
    }
    return "none";
}

} // namespace

void KSSetBeforePromptHook(void (*Hook)()) {
    gBeforePrompt = Hook;
}

TKSPromptButton TTerminalPrompts::ConfirmBox(TKSPromptKind, const AnsiString& Text,
                                             TKSPromptButtons Buttons) {
    if (gBeforePrompt)
        gBeforePrompt();
    std::vector<const TChoice*> offered;
    for (const TChoice& c : kChoices)
        if (KSHasButton(Buttons, c.Button))
            offered.push_back(&c);
    for (;;) {
        std::string question = std::string(KSPromptTitle) + ": " + Text + "\n";
        for (size_t i = 0; i < offered.size(); ++i)
            question += (i ? ", " : "") + std::string(offered[i]->Label);
        question += "? ";
        KSWriteText(stderr, question);
        std::fflush(stderr);
        std::string line;
        if (!KSReadConsoleLine(line, true)) {
            KSWriteText(stderr, "\n");
            return pbNone;
        }
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.erase(line.begin());
        // The exact key first (so "A" and "a" can mean different buttons), then the whole word.
        for (const TChoice* c : offered)
            if (line == c->Key)
                return c->Button;
        for (const TChoice* c : offered) {
            std::string word = c->Label;
            std::string plain;
            for (char ch : word)
                if (ch != '[' && ch != ']')
                    plain += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            std::string typed;
            for (char ch : line)
                typed += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            if (typed == plain)
                return c->Button;
        }
    }
}

bool TTerminalPrompts::PasswordInputQuery(const AnsiString& ACaption, const AnsiString& APrompt,
                                          AnsiString& Value) {
    if (gBeforePrompt)
        gBeforePrompt();
    KSPrintf(stderr, "%s\n%s", ACaption.c_str(), APrompt.c_str());
    std::fflush(stderr);
    std::string line;
    if (!KSReadConsoleLine(line, false)) {
        KSWriteText(stderr, "\n");
        return false;
    }
    Value = line;
    return true;
}

TKSPromptButton TUnattendedPrompts::ConfirmBox(TKSPromptKind Kind, const AnsiString& Text,
                                               TKSPromptButtons Buttons) {
    TKSPromptButton answer = pbNone;
    switch (Kind) {
    case TKSPromptKind::FileFailure:
        answer = pbIgnore;
        break;
    case TKSPromptKind::ConfirmOverwrite:
        answer = pbNo;
        break;
    case TKSPromptKind::VolumeRequest:
    case TKSPromptKind::DiskFull:
        answer = pbCancel;
        break;
    }
    if (!KSHasButton(Buttons, answer))
        answer = pbNone;
    KSPrintf(stderr, "kestrel: not asked (standard input is not a terminal): %s -- answered %s\n",
             Text.c_str(), ButtonName(answer));
    return answer;
}

bool TUnattendedPrompts::PasswordInputQuery(const AnsiString& ACaption, const AnsiString&, AnsiString&) {
    KSPrintf(stderr, "kestrel: not asked (standard input is not a terminal): %s -- item skipped\n",
             ACaption.c_str());
    return false;
}

} // namespace ks::cli
