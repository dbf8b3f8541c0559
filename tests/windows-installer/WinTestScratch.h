// WinTestScratch.h -- a fresh folder below the system's temporary folder for each test, removed
// afterwards, with its Windows name in UTF-8.
#pragma once

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "installer/win32/WinApi.h"
#include "installer/win32/WinUi.h"

namespace ks::win::test {

class ScratchTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* Info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string Name = std::string(Info->test_suite_name()) + "." + Info->name();
        for (char& C : Name)
            if (C == '/')
                C = '_';
        Dir = std::filesystem::temp_directory_path() / "ks-wininst-tests" / Name;
        std::filesystem::remove_all(Dir);
        std::filesystem::create_directories(Dir);
        Root = Utf8(Dir.wstring());
    }
    void TearDown() override {
        std::error_code Ec;
        std::filesystem::remove_all(Dir, Ec);
    }
    // The scratch folder + "\" + Rel, in UTF-8.
    AnsiString P(const AnsiString& Rel) const { return Root + "\\" + Rel; }

    std::filesystem::path Dir;
    AnsiString Root;
};

} // namespace ks::win::test
