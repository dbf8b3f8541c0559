// ScriptedPrompts.h -- a prompt implementation for tests: answers from a script, records every
// question. Installed as the engine's current prompts for its lifetime.
//
//     ks::test::ScriptedPrompts prompts;          // now the engine asks this object
//     prompts.AnswerBox(ks::pbRetry);             // the next box is answered Retry
//     prompts.AnswerPassword("secret");           // the next password dialog is accepted
//     ... run the engine ...
//     EXPECT_EQ(prompts.Boxes.at(0).Text, "...");
//
// A question with no scripted answer left gets the answer of a closed box (pbNone) or a cancelled
// password dialog.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "archive/KSPrompts.h"

namespace ks::test {

class ScriptedPrompts final : public TKSPrompts {
public:
    struct Box {
        TKSPromptKind Kind;
        std::string Text;
        TKSPromptButtons Buttons;
    };
    struct PasswordQuestion {
        std::string Caption;
        std::string Prompt;
        std::string InitialValue;
    };

    ScriptedPrompts() : FPrevious(KSSetPrompts(this)) {}
    ~ScriptedPrompts() override { KSSetPrompts(FPrevious); }
    ScriptedPrompts(const ScriptedPrompts&) = delete;
    ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

    void AnswerBox(TKSPromptButton Button) { FBoxAnswers.push_back(Button); }
    // nullopt: the dialog is cancelled.
    void AnswerPassword(std::optional<std::string> Value) { FPasswordAnswers.push_back(std::move(Value)); }

    TKSPromptButton ConfirmBox(TKSPromptKind Kind, const AnsiString& Text,
                               TKSPromptButtons Buttons) override {
        Boxes.push_back({Kind, Text, Buttons});
        if (FBoxAnswers.empty())
            return pbNone;
        const TKSPromptButton b = FBoxAnswers.front();
        FBoxAnswers.pop_front();
        return b;
    }

    bool PasswordInputQuery(const AnsiString& ACaption, const AnsiString& APrompt,
                            AnsiString& Value) override {
        Passwords.push_back({ACaption, APrompt, Value});
        if (FPasswordAnswers.empty())
            return false;
        std::optional<std::string> a = FPasswordAnswers.front();
        FPasswordAnswers.pop_front();
        if (!a)
            return false;
        Value = *a;
        return true;
    }

    std::vector<Box> Boxes;
    std::vector<PasswordQuestion> Passwords;

private:
    TKSPrompts* FPrevious;
    std::deque<TKSPromptButton> FBoxAnswers;
    std::deque<std::optional<std::string>> FPasswordAnswers;
};

} // namespace ks::test
