// PlatformTestUtil.h -- a scratch folder per test under the build tree.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "platform/KSStrings.h"
#include "platform/KSTypes.h"

namespace ks::test {

class ScratchTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* Info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string Name = std::string(Info->test_suite_name()) + "." + Info->name();
        for (char& C : Name)
            if (C == '/')
                C = '_';
        Dir = std::filesystem::path(KS_SCRATCH_DIR) / Name;
        std::filesystem::remove_all(Dir);
        std::filesystem::create_directories(Dir);
    }
    void TearDown() override {
        std::error_code Ec;
        // Restore write permission first, so that read-only leftovers can be removed.
        for (auto& E : std::filesystem::recursive_directory_iterator(Dir, Ec))
            std::filesystem::permissions(E.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, Ec);
        std::filesystem::remove_all(Dir, Ec);
    }

    // A path inside the scratch folder, as a native string and as a wide name.
    std::string Native(const std::string& Rel) const { return (Dir / Rel).string(); }
    TKSString Wide(const std::string& Rel) const { return Utf8ToWide(Native(Rel)); }

    void WriteFile(const std::string& Rel, const std::string& Content) const {
        std::ofstream(Native(Rel), std::ios::binary) << Content;
    }
    std::string ReadFile(const std::string& Rel) const {
        std::ifstream In(Native(Rel), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(In), {});
    }

    std::filesystem::path Dir;
};

} // namespace ks::test
