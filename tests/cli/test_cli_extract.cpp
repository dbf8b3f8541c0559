// test_cli_extract.cpp -- "kestrel extract" and "kestrel test", run as a program on peer-made and
// hostile archives, without a terminal (standard input is /dev/null).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/CliRun.h"
#include "tests/support/ZipWriter.h"

namespace ks {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::RunKestrel;
using test::ShellQuote;
using test::Slurp;
using test::TempDir;
using test::Tree;
using test::ZipWriter;

const std::string Fx = KS_FIXTURES_DIR;
const std::string ExFx = std::string(KS_CLI_FIXTURES_DIR) + "/extract";

bool Contains(const std::string& Hay, const std::string& Needle) {
    return Hay.find(Needle) != std::string::npos;
}

// ---- peer-made archives ---------------------------------------------------------------------------

class PeerArchive : public ::testing::TestWithParam<std::string> {};

TEST_P(PeerArchive, ExtractsWhatInfoZipUnzipExtracts) {
    const std::string zip = GetParam();
    TempDir dir;
    const fs::path mine = dir.Path() / "kestrel";
#ifdef _WIN32
    const fs::path ref = test::PeerReferences / "unzip" / fs::path(zip).stem();
    if (!fs::is_directory(ref))
        GTEST_SKIP() << "no unzip reference was made for the Windows tests";
#else
    const fs::path ref = dir.Path() / "unzip";
    ASSERT_EQ(std::system(("unzip -qq -o " + ShellQuote(zip) + " -d " + ShellQuote(ref.string())).c_str()),
              0);
#endif
    const auto r = RunKestrel({"extract", zip, "-d", mine.string()});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(Tree(mine), Tree(ref));
    EXPECT_FALSE(Tree(mine).empty());

    const auto t = RunKestrel({"test", zip});
    EXPECT_EQ(t.Status, 0) << t.Err;
    EXPECT_TRUE(Contains(t.Out, " 0 not")) << t.Out;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, PeerArchive,
                         ::testing::Values(ExFx + "/bsdtar_tree.zip", ExFx + "/7z_tree.zip",
                                           ExFx + "/py_tree.zip", Fx + "/zip_plain.zip",
                                           Fx + "/zip_zip64.zip", Fx + "/py_utf8.zip", Fx + "/7z_utf8.zip",
                                           Fx + "/zip_stub_adjusted.zip"),
                         [](const auto& info) {
                             std::string n = fs::path(info.param).stem().string();
                             for (char& c : n)
                                 if (!isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return n;
                         });

TEST(CliExtract, SymbolicLinkItemBecomesAPlainFile) {
    TempDir dir;
    const auto r = RunKestrel({"extract", ExFx + "/zip_symlink.zip", "-d", dir.Path().string()});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_FALSE(fs::is_symlink(dir.Path() / "link"));
    EXPECT_EQ(Slurp(dir.Path() / "link"), "hello.txt");
}

TEST(CliExtract, MasksAndExclusion) {
    TempDir dir;
    const auto r = RunKestrel(
        {"extract", ExFx + "/py_tree.zip", "-d", dir.Path().string(), "-x", "*/noise.bin", "*.bin", "*.txt"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_TRUE(fs::exists(dir.Path() / "dir/lines.txt"));
    EXPECT_TRUE(fs::exists(dir.Path() / "hello.txt"));
    EXPECT_FALSE(fs::exists(dir.Path() / "dir/noise.bin"));
}

// ---- hostile and damaged archives ------------------------------------------------------------------

TEST(CliExtract, HostileNamesStayInsideTheTarget) {
    TempDir dir;
    ZipWriter w;
    w.AddFile("../../escape.txt", "1");
    w.AddFile("/etc/abs.txt", "2");
    w.AddFile("C:\\win\\drive.txt", "3");
    const fs::path zip = dir.Write("hostile.zip", w.Finish());
    const fs::path out = dir.Path() / "a" / "b" / "out";
    const auto r = RunKestrel({"extract", zip.string(), "-d", out.string()});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Slurp(out / "escape.txt"), "1");
    EXPECT_EQ(Slurp(out / "etc/abs.txt"), "2");
    EXPECT_EQ(Slurp(out / "win/drive.txt"), "3");
    EXPECT_FALSE(fs::exists(dir.Path() / "a" / "escape.txt"));
}

TEST(CliExtract, FailedItemsAreReportedAndTheRestExtracted) {
    TempDir dir;
    ZipWriter w;
    w.AddFile("good.txt", "good");
    w.AddFile("bad.txt", "bad data", {.crc32 = 1});
    w.AddFile("d64.bin", "x", {.method = 9});
    w.AddFile("after.txt", "after");
    const fs::path zip = dir.Write("bad.zip", w.Finish());
    const fs::path out = dir.Path() / "out";
    const auto r = RunKestrel({"extract", zip.string(), "-d", out.string()});
    EXPECT_EQ(r.Status, 1);
    EXPECT_TRUE(Contains(r.Err, "kestrel: bad.txt: Kestrel: ")) << r.Err;
    EXPECT_TRUE(Contains(r.Err, "Native error: 00008\n")) << r.Err;
    EXPECT_TRUE(Contains(r.Err, "Native error: 00055\n")) << r.Err;
    EXPECT_TRUE(Contains(r.Err, "answered Ignore")) << r.Err;
    EXPECT_FALSE(fs::exists(out / "bad.txt"));
    EXPECT_FALSE(fs::exists(out / "d64.bin"));
    EXPECT_EQ(Slurp(out / "after.txt"), "after");

    const auto t = RunKestrel({"test", zip.string()});
    EXPECT_EQ(t.Status, 1);
    EXPECT_TRUE(Contains(t.Out, "4 items tested, 2 sound, 2 not")) << t.Out;
}

TEST(CliExtract, OverlappingEntriesFailBeforeWriting) {
    TempDir dir;
    ZipWriter w;
    w.AddFile("a.txt", "shared");
    w.AddFile("b.txt", "shared");
    Bytes bytes = w.Finish();
    test::PatchCentralHeader(bytes, w.Layout(), 1, [](TKSZipCentralDir& h) { h.relOffsetLH = 0; });
    const fs::path zip = dir.Write("overlap.zip", bytes);
    const auto t = RunKestrel({"test", zip.string()});
    EXPECT_EQ(t.Status, 1);
    EXPECT_TRUE(Contains(t.Err, "kestrel: b.txt: ")) << t.Err;
    EXPECT_TRUE(Contains(t.Err, "Native error: 00008")) << t.Err;
}

TEST(CliExtract, ExpansionPastTheDeclaredSizeFails) {
    TempDir dir;
    const Bytes zeros(64u << 20, 0);
    ZipWriter w;
    w.AddFile("bomb.bin", test::Deflate(zeros, 1), {.method = 99});
    Bytes bytes = w.Finish();
    test::PatchLocalHeader(bytes, w.Layout(), 0, [](TKSZipFileHeader& h) { h.compMethod = 8; });
    test::PatchCentralHeader(bytes, w.Layout(), 0, [](TKSZipCentralDir& h) {
        h.compMethod = 8;
        h.unCompSize = 100;
    });
    const fs::path zip = dir.Write("bomb.zip", bytes);
    const fs::path out = dir.Path() / "out";
    const auto r = RunKestrel({"extract", zip.string(), "-d", out.string()});
    EXPECT_EQ(r.Status, 1);
    EXPECT_TRUE(Contains(r.Err, "Native error: 00008")) << r.Err;
    EXPECT_FALSE(fs::exists(out / "bomb.bin"));
}

TEST(CliExtract, GarbageAndMissingArchivesExit2) {
    TempDir dir;
    const auto missing = RunKestrel({"extract", (dir.Path() / "none.zip").string()});
    EXPECT_EQ(missing.Status, 2);
    EXPECT_TRUE(Contains(missing.Err, "Native error: 00012")) << missing.Err;
    const fs::path junk = dir.Write("junk.zip", test::NoiseBytes(3000, 3));
    const auto garbage = RunKestrel({"test", junk.string()});
    EXPECT_EQ(garbage.Status, 2) << garbage.Err;
    EXPECT_TRUE(Contains(garbage.Err, "Native error: ")) << garbage.Err;
}

TEST(CliExtract, WrongCommandLinesExit2) {
    const std::vector<std::vector<std::string>> bad = {{"extract"},
                                                       {"extract", "a.zip", "--overwrite", "sometimes"},
                                                       {"extract", "a.zip", "-d"},
                                                       {"test", "a.zip", "-d", "x"},
                                                       {"extract", "a.zip", "--frobnicate"}};
    for (const auto& args : bad) {
        const auto r = RunKestrel(args);
        EXPECT_EQ(r.Status, 2) << args.back();
        EXPECT_TRUE(Contains(r.Err, "Usage: kestrel ")) << r.Err;
    }
}

// ---- existing files and the overwrite modes ---------------------------------------------------------

TEST(CliExtract, ExistingFilesWithoutATerminal) {
    TempDir dir;
    const fs::path out = dir.Path() / "out";
    ASSERT_EQ(RunKestrel({"extract", ExFx + "/py_tree.zip", "-d", out.string()}).Status, 0);
    fs::resize_file(out / "hello.txt", 3);
    // prompt (the default): answered No, reported, exit 1.
    const auto asked = RunKestrel({"extract", ExFx + "/py_tree.zip", "-d", out.string(), "hello.txt"});
    EXPECT_EQ(asked.Status, 1);
    EXPECT_TRUE(Contains(asked.Err, "Overwrite file")) << asked.Err;
    EXPECT_TRUE(Contains(asked.Err, "answered No")) << asked.Err;
    EXPECT_TRUE(Contains(asked.Err, "hello.txt: skipped")) << asked.Err;
    EXPECT_EQ(fs::file_size(out / "hello.txt"), 3u);
    const auto never =
        RunKestrel({"extract", ExFx + "/py_tree.zip", "-d", out.string(), "--overwrite", "never"});
    EXPECT_EQ(never.Status, 1);
    EXPECT_EQ(fs::file_size(out / "hello.txt"), 3u);
    const auto always =
        RunKestrel({"extract", ExFx + "/py_tree.zip", "-d", out.string(), "--overwrite", "always"});
    EXPECT_EQ(always.Status, 0) << always.Err;
    EXPECT_EQ(Slurp(out / "hello.txt"), "Hello, Kestrel!\n");
}

TEST(CliExtract, QuestionsOnATerminal) {
#ifdef _WIN32
    GTEST_SKIP() << "on Windows the same questions are answered on a console by tests/windows/console_pty.sh";
#endif
    // util-linux "script" gives the tool a terminal; the answers are typed into it.
    if (std::system("command -v script >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "script (util-linux) is not installed";
    TempDir dir;
    const fs::path out = dir.Path() / "out";
    ASSERT_EQ(RunKestrel({"extract", ExFx + "/py_tree.zip", "-d", out.string()}).Status, 0);
    for (const char* f : {"hello.txt", "dir/lines.txt", "dir/noise.bin"})
        fs::resize_file(out / f, 1);
    // "n" for hello.txt, then "A" (yes to all) for dir/lines.txt: no further question.
    const std::string inner = ShellQuote(KS_KESTREL_BIN) + " extract " + ShellQuote(ExFx + "/py_tree.zip") +
                              " -d " + ShellQuote(out.string()) + "; echo rc=$?";
    const fs::path log = dir.Path() / "log";
    const std::string cmd = "(sleep 0.3; printf 'n\\nA\\n') | script -qec " + ShellQuote(inner) +
                            " /dev/null >" + ShellQuote(log.string()) + " 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::string text = Slurp(log);
    EXPECT_TRUE(Contains(text, "Confirm: Overwrite file ")) << text;
    EXPECT_TRUE(Contains(text, "[y]es, [n]o, [A]ll, [N]one? ")) << text;
    size_t questions = 0;
    for (size_t p = text.find("Confirm: "); p != std::string::npos; p = text.find("Confirm: ", p + 1))
        ++questions;
    EXPECT_EQ(questions, 2u) << text;
    EXPECT_TRUE(Contains(text, "rc=1")) << text; // hello.txt was skipped
    EXPECT_EQ(fs::file_size(out / "hello.txt"), 1u);
    EXPECT_EQ(fs::file_size(out / "dir/lines.txt"), 6000u);
    EXPECT_EQ(fs::file_size(out / "dir/noise.bin"), 20000u);
}

#ifndef _WIN32
// The full disk is simulated with the shell's file-size limit, which Windows has no counterpart of.
TEST(CliExtract, DiskFullCancelsAndReportsUnreachedItems) {
    TempDir dir;
    ZipWriter w;
    w.AddFile("small.txt", "fits");
    w.AddFile("large.bin", test::NoiseBytes(600000, 8), {.method = 0});
    w.AddFile("later.txt", "never reached");
    const fs::path zip = dir.Write("full.zip", w.Finish());
    const fs::path out = dir.Path() / "out";
    fs::create_directories(out);
    // A file-size limit (in 512-byte blocks for sh) makes the large item's writes come up short;
    // the signal such a write would raise is ignored, as a full disk raises none.
    const std::string cmd = "trap '' XFSZ; ulimit -f 200; exec " + ShellQuote(KS_KESTREL_BIN) + " extract " +
                            ShellQuote(zip.string()) + " -d " + ShellQuote(out.string()) + " >" +
                            ShellQuote((dir.Path() / "o").string()) + " 2>" +
                            ShellQuote((dir.Path() / "e").string()) + " </dev/null";
    const int status = std::system(("sh -c " + ShellQuote(cmd)).c_str());
    const std::string err = Slurp(dir.Path() / "e");
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << err;
    EXPECT_EQ(Slurp(out / "small.txt"), "fits");
    EXPECT_FALSE(fs::exists(out / "large.bin"));
    EXPECT_FALSE(fs::exists(out / "later.txt"));
    EXPECT_TRUE(Contains(err, "large.bin: cancelled")) << err;
    EXPECT_TRUE(Contains(err, "later.txt: not reached")) << err;
    EXPECT_TRUE(Contains(err, "the run was cancelled")) << err;
}
#endif

} // namespace
} // namespace ks
