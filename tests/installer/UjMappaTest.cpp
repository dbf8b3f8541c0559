// The new-folder dialog's key filter, button rule and created path.
#include <gtest/gtest.h>

#include "InstallerFakes.h"
#include "installer/core/UjMappa.h"

namespace ks::inst::test {
namespace {

class FakeDialog : public IUjMappaView {
public:
    AnsiString Typed; // what the user types while the dialog is shown
    TModalResult Answer = TModalResult::OK;
    AnsiString Edit;
    bool Enabled = true;
    std::vector<AnsiString> Clicks;

    void SetText(const AnsiString& T) override {
        Edit = T;
        edtMappaChange(*this);
    }
    AnsiString Text() const override { return Edit; }
    void SetCreateEnabled(bool E) override { Enabled = E; }
    bool CreateEnabled() const override { return Enabled; }
    void ClickCreate() override { Clicks.push_back("Letrehoz"); }
    void ClickCancel() override { Clicks.push_back("Megsem"); }
    TModalResult ShowModal() override {
        EXPECT_EQ(Edit, "");
        EXPECT_FALSE(Enabled); // cleared text disables the button before the dialog shows
        SetText(Typed);
        return Answer;
    }
};

struct CreateCase {
    const char* Name;
    AnsiString Parent, Typed;
    TModalResult Answer;
    bool Exists, Fails;
    AnsiString Result;
};

class ShowUjMappaTest : public ::testing::TestWithParam<CreateCase> {};

TEST_P(ShowUjMappaTest, ReturnsTheCreatedFolder) {
    const CreateCase& C = GetParam();
    FakeOs Os;
    FakeDialog Dlg;
    Dlg.Typed = C.Typed;
    Dlg.Answer = C.Answer;
    const AnsiString Want = C.Result.empty() ? C.Parent + Native("/") + C.Typed : C.Result;
    if (C.Exists)
        Os.Dirs.insert(Want);
    if (C.Fails)
        Os.FailCreate.insert(Want);
    EXPECT_EQ(ShowUjMappa(C.Parent, Dlg, Os), C.Fails || C.Answer != TModalResult::OK ? "" : C.Result);
    if (C.Answer != TModalResult::OK) {
        EXPECT_TRUE(Os.Created.empty());
    } else
        EXPECT_EQ(Os.Created, std::vector<AnsiString>{Want});
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ShowUjMappaTest,
    ::testing::Values(
        CreateCase{"BelowFolder", Native("/home/u"), "uj", TModalResult::OK, false, false,
                   Native("/home/u/uj")},
        CreateCase{"RootParent", Native("/"), "uj", TModalResult::OK, false, false, Native("/uj")},
        CreateCase{"ParentWithSeparator", Native("/home/u/"), "uj", TModalResult::OK, false, false,
                   Native("/home/u/uj")},
        CreateCase{"Untrimmed", Native("/home/u"), " uj ", TModalResult::OK, false, false,
                   Native("/home/u/ uj ")},
        CreateCase{"Hungarian", Native("/home/u"), "Árvíztűrő", TModalResult::OK, false, false,
                   Native("/home/u/Árvíztűrő")},
        CreateCase{"Existing", Native("/home/u"), "van", TModalResult::OK, true, false,
                   Native("/home/u/van")},
        CreateCase{"CreationFails", Native("/home/u"), "nem", TModalResult::OK, false, true,
                   Native("/home/u/nem")},
        CreateCase{"Cancelled", Native("/home/u"), "uj", TModalResult::Cancel, false, false, ""},
        CreateCase{"Closed", Native("/home/u"), "uj", TModalResult::None, false, false, ""}),
    [](const auto& I) { return std::string(I.param.Name); });

TEST(UjMappaKeys, ForbiddenCharactersAreNotInserted) {
    for (char C : AnsiString("\\/:*?\"<>|")) {
        FakeDialog Dlg;
        char32_t Key = static_cast<unsigned char>(C);
        edtMappaKeyPress(Dlg, Key);
        EXPECT_EQ(Key, 0U) << C;
        EXPECT_TRUE(Dlg.Clicks.empty());
    }
    for (char32_t Allowed : {U'a', U' ', U'.', U'-', U'é', U'ő'}) {
        FakeDialog Dlg;
        char32_t Key = Allowed;
        edtMappaKeyPress(Dlg, Key);
        EXPECT_EQ(Key, Allowed);
    }
}

TEST(UjMappaKeys, EnterAndEscape) {
    struct {
        char32_t Key;
        bool Enabled;
        std::vector<AnsiString> Clicks;
    } Cases[] = {{13, true, {"Letrehoz"}}, {13, false, {}}, {27, true, {"Megsem"}}, {27, false, {"Megsem"}}};
    for (const auto& C : Cases) {
        FakeDialog Dlg;
        Dlg.Enabled = C.Enabled;
        char32_t Key = C.Key;
        edtMappaKeyPress(Dlg, Key);
        EXPECT_EQ(Dlg.Clicks, C.Clicks) << static_cast<int>(C.Key) << " enabled " << C.Enabled;
    }
}

TEST(UjMappaChange, ButtonFollowsTheTrimmedText) {
    struct {
        AnsiString Text;
        bool Enabled;
    } Cases[] = {{"", false}, {"   ", false}, {"\t \x01", false}, {" a ", true}, {"a", true}, {"é", true}};
    for (const auto& C : Cases) {
        FakeDialog Dlg;
        Dlg.Edit = C.Text;
        edtMappaChange(Dlg);
        EXPECT_EQ(Dlg.Enabled, C.Enabled) << "[" << C.Text << "]";
    }
}

} // namespace
} // namespace ks::inst::test
