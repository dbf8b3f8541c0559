// EncryptedTestSupport.h -- shared pieces of the traditional and AES encryption tests.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "archive/KSBaseArchiver.h"
#include "archive/KSExtract.h"
#include "tests/archive/ExtractTestSupport.h"

namespace ks::test {

inline constexpr int32_t kEncAllAttr = 10431;

// The inputs of the peer fixtures in tests/fixtures/encrypted.
inline std::string FixtureHello() {
    return "Hello, Kestrel!\n";
}
inline std::string FixtureLines() {
    std::string s;
    char line[80];
    for (int i = 0; i < 200; ++i) {
        std::snprintf(line, sizeof line, "line %04d: the quick brown fox jumps over the lazy dog\n", i);
        s += line;
    }
    return s;
}

inline std::filesystem::path EncryptedFixture(const std::string& Name) {
    return std::filesystem::path(KS_FIXTURES_DIR) / "encrypted" / Name;
}

// Records the failure events of a run (answered Ignore) and the password events.
struct EncryptedRunLog {
    std::vector<int32_t> Natives;
    void AttachFailures(TKSBaseArchiver& A) {
        A.FOnProcessFileFailure = [this](TComponent*, const TKSString&, TKSProcessOperation, int32_t native,
                                         int32_t, const TKSString&, TKSAction& act) {
            Natives.push_back(native);
            act = fxaIgnore;
        };
    }
};

// Extracts every item with Password given up front, failures logged and ignored, and any
// password question answered by skipping the item. Returns the number of questions asked.
inline int ExtractWithPassword(TKSBaseArchiver& A, const std::string& Password, EncryptedRunLog& Log) {
    A.SetPassword(Password);
    Log.AttachFailures(A);
    int asked = 0;
    A.FOnPassword = [&asked](TComponent*, const TKSString&, AnsiString&, bool& skip) {
        ++asked;
        skip = true;
    };
    A.ExtractFiles(u"*.*", kEncAllAttr, u"");
    return asked;
}

inline TKSItemOutcome OutcomeOf(const TKSBaseArchiver& A, size_t Index) {
    const auto& items = A.LastRunReport().Items;
    return Index < items.size() ? items[Index].Outcome : TKSItemOutcome::NotReached;
}

} // namespace ks::test
