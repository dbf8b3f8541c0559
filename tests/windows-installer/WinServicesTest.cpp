// The Windows services of the installer: registry answers, folder paths, file operations and the
// shell link, through the real Win32 calls.
#include <array>
#include <fstream>
#include <gtest/gtest.h>
#include <vector>

#include "WinTestScratch.h"
#include "installer/win32/WinApi.h"

#include <objidl.h>
#include <shlobj.h>

#include "installer/win32/WinDirectoryListBox.h"
#include "installer/win32/WinOsServices.h"
#include "platform/KSException.h"

namespace ks::win {
namespace {

// A key of its own below Software\Larkspur, removed before and after each case.
class AppPathTest : public ::testing::Test {
protected:
    static constexpr const wchar_t* Key = L"Software\\Larkspur\\KsWinInstTest";
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, Key); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, Key); }
    HKEY Create() {
        HKEY H = nullptr;
        EXPECT_EQ(
            RegCreateKeyExW(HKEY_CURRENT_USER, Key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &H, nullptr),
            ERROR_SUCCESS);
        return H;
    }
    TWinOsServices Os;
};

TEST_F(AppPathTest, MissingKeyEmptyKeyAndStoredValue) {
    EXPECT_EQ(Os.ReadAppPath("KsWinInstTest"), std::nullopt);
    HKEY H = Create();
    EXPECT_EQ(Os.ReadAppPath("KsWinInstTest"), AnsiString());
    const std::wstring V = L"C:\\Program Files\\\u00C1rv\u00EDz\\";
    RegSetValueExW(H, L"AppPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(V.c_str()),
                   static_cast<DWORD>((V.size() + 1) * 2));
    EXPECT_EQ(Os.ReadAppPath("KsWinInstTest"), Utf8(V)); // through the ANSI call and back to UTF-8
    RegCloseKey(H);
}

TEST_F(AppPathTest, StringStoredWithoutItsTerminatingZero) {
    HKEY H = Create();
    const char V[] = {'D', ':', '\\', 'x', '\\'};
    RegSetValueExA(H, "AppPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(V), sizeof(V));
    EXPECT_EQ(Os.ReadAppPath("KsWinInstTest"), AnsiString("D:\\x\\"));
    RegCloseKey(H);
}

TEST_F(AppPathTest, ValueOfAnotherTypeCountsAsAbsent) {
    HKEY H = Create();
    const DWORD N = 7;
    RegSetValueExW(H, L"AppPath", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&N), sizeof(N));
    EXPECT_EQ(Os.ReadAppPath("KsWinInstTest"), AnsiString());
    RegCloseKey(H);
}

TEST(WinFolders, ShellFoldersHaveNoTrailingSeparator) {
    TWinOsServices Os;
    const auto Docs = Os.DocumentsFolder();
    ASSERT_TRUE(Docs.has_value());
    for (const AnsiString& F : {*Docs, Os.DesktopFolder()}) {
        ASSERT_GT(F.size(), 3u) << F;
        EXPECT_NE(F.back(), '\\') << F;
        EXPECT_TRUE(Os.DirectoryExists(F)) << F;
    }
}

TEST(WinFolders, MountPointIsTheDriveRoot) {
    TWinOsServices Os;
    const std::array<std::pair<const char*, const char*>, 5> Cases{{
        {"C:\\users\\x\\Documents", "C:\\"},
        {"d:\\", "d:\\"},
        {"E:", "E:\\"},
        {"\\", "C:\\"},
        {"", "C:\\"},
    }};
    for (const auto& [In, Want] : Cases)
        EXPECT_EQ(Os.MountPointOf(In), Want) << In;
}

TEST(WinFolders, CleanFolderPath) {
    const std::array<std::pair<const char*, const char*>, 7> Cases{{
        {"C:\\a\\b\\", "C:\\a\\b"},
        {"c:", "C:\\"},
        {"C:\\", "C:\\"},
        {"C:/a/./b/..", "C:\\a"},
        {"C:\\a\\\\b", "C:\\a\\b"},
        {"\\x\\y", "D:\\x\\y"}, // no drive: the list's drive
        {"x", "D:\\x"},
    }};
    for (const auto& [In, Want] : Cases)
        EXPECT_EQ(CleanFolderPath(In, "D:\\"), Want) << In;
}

using WinFileOps = test::ScratchTest;

TEST_F(WinFileOps, ForceDirectoriesAndExistence) {
    TWinOsServices Os;
    const AnsiString Deep = P("\u00E1 b\\c\\\u0151");
    EXPECT_TRUE(Os.ForceDirectories(Deep + "\\"));
    EXPECT_TRUE(Os.DirectoryExists(Deep));
    EXPECT_FALSE(Os.FileExists(Deep));
    EXPECT_TRUE(Os.ForceDirectories(Deep)); // already there
    Os.WriteNewFile(P("file"), std::vector<uint8_t>{1, 2, 3});
    EXPECT_TRUE(Os.FileExists(P("file")));
    EXPECT_FALSE(Os.DirectoryExists(P("file")));
    EXPECT_FALSE(Os.ForceDirectories(P("file\\sub"))); // a file is in the way
}

TEST_F(WinFileOps, WriteNewFileTruncatesAndReportsFailure) {
    TWinOsServices Os;
    Os.WriteNewFile(P("d.res"), std::vector<uint8_t>(5000, 7));
    Os.WriteNewFile(P("d.res"), std::vector<uint8_t>{1, 2});
    EXPECT_EQ(std::filesystem::file_size(Dir / "d.res"), 2u);
    EXPECT_THROW(Os.WriteNewFile(P("missing\\d.res"), std::vector<uint8_t>{1}), EFCreateError);
}

TEST_F(WinFileOps, MoveNeverReplacesCopyDoes) {
    TWinOsServices Os;
    Os.WriteNewFile(P("a"), std::vector<uint8_t>{'a'});
    Os.WriteNewFile(P("b"), std::vector<uint8_t>{'b', 'b'});
    EXPECT_FALSE(Os.MoveFile(P("a"), P("b")));
    EXPECT_EQ(std::filesystem::file_size(Dir / "b"), 2u);
    EXPECT_TRUE(Os.CopyFile(P("a"), P("b")));
    EXPECT_EQ(std::filesystem::file_size(Dir / "b"), 1u);
    EXPECT_TRUE(Os.MoveFile(P("a"), P("c")));
    EXPECT_FALSE(Os.FileExists(P("a")));
    EXPECT_TRUE(Os.DeleteFile(P("c")));
    EXPECT_FALSE(Os.DeleteFile(P("c")));
}

TEST_F(WinFileOps, AttributesAreSetExactly) {
    TWinOsServices Os;
    ASSERT_TRUE(Os.ForceDirectories(P("PyLib")));
    EXPECT_TRUE(Os.SetFileAttributes(P("PyLib"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    const DWORD A = GetFileAttributesW(Wide(P("PyLib")).c_str());
    EXPECT_EQ(A & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(A & FILE_ATTRIBUTE_DIRECTORY);
    SetFileAttributesW(Wide(P("PyLib")).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(WinFileOps, ShortcutReadsBackThroughIShellLinkA) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    TWinOsServices Os;
    const AnsiString Target = P("Ferrovan\\Ferrovan.exe"), Work = P("Ferrovan\\");
    ASSERT_TRUE(Os.ForceDirectories(Work));
    Os.WriteNewFile(Target, std::vector<uint8_t>{'M', 'Z'});
    ASSERT_TRUE(Os.CreateShortcut(Target, Work, P("Ferrovan.lnk")));
    IShellLinkA* Link = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                           reinterpret_cast<void**>(&Link))));
    IPersistFile* File = nullptr;
    ASSERT_TRUE(SUCCEEDED(Link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&File))));
    ASSERT_TRUE(SUCCEEDED(File->Load(Wide(P("Ferrovan.lnk")).c_str(), STGM_READ)));
    char Path[MAX_PATH + 1] = "", Dir[MAX_PATH + 1] = "";
    Link->GetPath(Path, MAX_PATH, nullptr, SLGP_RAWPATH);
    Link->GetWorkingDirectory(Dir, MAX_PATH);
    EXPECT_EQ(FromAnsiCp(Path), Target);
    EXPECT_EQ(FromAnsiCp(Dir), Work);
    File->Release();
    Link->Release();
    CoUninitialize();
}

} // namespace
} // namespace ks::win
