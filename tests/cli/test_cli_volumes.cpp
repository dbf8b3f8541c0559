// test_cli_volumes.cpp -- kestrel list/extract/test on split sets written by Info-ZIP (zip -s 64k),
// renamed to the numbered scheme, self-extracting, with a central directory that straddles two
// volumes, and with volumes missing; run without a terminal (standard input is /dev/null).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/cli/CliRun.h"
#include "tests/support/ZipWriter.h"

namespace ks {
namespace {

namespace fs = std::filesystem;
using test::Lines;
using test::RunKestrel;
using test::ShellQuote;
using test::Slurp;
using test::TempDir;
using test::Tree;

const fs::path Volumes = fs::path(KS_FIXTURES_DIR) / "volumes";

using FileList = std::vector<std::pair<const char*, const char*>>; // fixture name, copy name

void CopyAs(const fs::path& Dir, const FileList& Files) {
    for (const auto& [From, To] : Files)
        fs::copy_file(Volumes / From, Dir / To);
}

// What Info-ZIP makes of the set Base.z01 ... Base.zip of the fixtures: the set joined into one
// archive by zip -s 0, its names in directory order (unzip -Z1) and the tree unzip extracts.
struct Reference {
    std::vector<std::string> Names;
    std::vector<std::pair<std::string, std::string>> Files;
};

Reference InfoZipReference(const std::string& Base) {
    Reference r;
#ifdef _WIN32
    const fs::path made = test::PeerReferences / "volumes" / Base;
    if (fs::is_directory(made / "tree")) {
        r.Names = Lines(Slurp(made / "names"));
        r.Files = Tree(made / "tree");
    }
    return r;
#else
    TempDir d;
    for (const auto& e : fs::directory_iterator(Volumes))
        if (e.path().stem() == Base)
            fs::copy_file(e.path(), d.Path() / ("r" + e.path().extension().string()));
    const std::string q = ShellQuote(d.Path().string());
    if (std::system(("cd " + q + " && zip -q -s 0 r.zip --out whole.zip && unzip -Z1 whole.zip >names && " +
                     "unzip -qq whole.zip -d tree")
                        .c_str()) != 0)
        return r;
    r.Names = Lines(Slurp(d.Path() / "names"));
    r.Files = Tree(d.Path() / "tree");
    return r;
#endif
}

struct SetCase {
    const char* Title;
    FileList Files;
    const char* Open;
    const char* ReferenceSet; // the Info-ZIP set with the same contents
};

class SplitSetCli : public ::testing::TestWithParam<SetCase> {};

// list names every item in directory order, extract writes the same bytes as Info-ZIP's unzip of
// the joined set, and test finds every item sound.
TEST_P(SplitSetCli, ListExtractTestAgreeWithInfoZip) {
    const SetCase& c = GetParam();
    const Reference ref = InfoZipReference(c.ReferenceSet);
#ifdef _WIN32
    if (ref.Files.empty())
        GTEST_SKIP() << "no Info-ZIP reference was made for the Windows tests";
#endif
    ASSERT_FALSE(ref.Files.empty()) << "Info-ZIP could not join " << c.ReferenceSet;
    TempDir d;
    CopyAs(d.Path(), c.Files);
    const std::string archive = (d.Path() / c.Open).string();

    const auto l = RunKestrel({"list", archive});
    EXPECT_EQ(l.Status, 0) << l.Err;
    EXPECT_EQ(Lines(l.Out), ref.Names);

    const fs::path out = d.Path() / "out";
    const auto x = RunKestrel({"extract", archive, "-d", out.string()});
    EXPECT_EQ(x.Status, 0) << x.Err;
    EXPECT_EQ(x.Err, "");
    EXPECT_EQ(Tree(out), ref.Files);

    const auto t = RunKestrel({"test", archive});
    EXPECT_EQ(t.Status, 0) << t.Err;
    EXPECT_EQ(t.Out, std::to_string(ref.Files.size()) + " items tested, " + std::to_string(ref.Files.size()) +
                         " sound, 0 not\n");
}

INSTANTIATE_TEST_SUITE_P(
    InfoZip, SplitSetCli,
    ::testing::Values(
        // noise.bin's data runs from x.z01 into x.zip.
        SetCase{"two volumes", {{"span2.z01", "x.z01"}, {"span2.zip", "x.zip"}}, "x.zip", "span2"},
        SetCase{"three volumes",
                {{"span3.z01", "x.z01"}, {"span3.z02", "x.z02"}, {"span3.zip", "x.zip"}},
                "x.zip",
                "span3"},
        SetCase{"numbered names",
                {{"span3.z01", "x_001.zip"}, {"span3.z02", "x_002.zip"}, {"span3.zip", "x.zip"}},
                "x.zip",
                "span3"},
        // The central directory begins on x.z01 behind the local headers and ends on x.zip.
        SetCase{
            "straddling directory", {{"cdspan.z01", "x.z01"}, {"cdspan.zip", "x.zip"}}, "x.zip", "cdspan"},
        SetCase{
            "self-extracting", {{"sfx_split.exe", "x.exe"}, {"sfx_split.ZIP", "x.ZIP"}}, "x.exe", "span2"}),
    [](const ::testing::TestParamInfo<SetCase>& info) {
        std::string n = info.param.Title;
        std::replace(n.begin(), n.end(), ' ', '_');
        std::replace(n.begin(), n.end(), '-', '_');
        return n;
    });

// ---- missing volumes ------------------------------------------------------------------------------

struct MissingCase {
    const char* Title;
    FileList Files;
    const char* Removed;
    int ListStatus;
    int ExtractStatus;                 // extract and test alike
    std::vector<std::string> ErrLines; // lines the stderr of extract and test must hold
};

class MissingVolumeCli : public ::testing::TestWithParam<MissingCase> {};

TEST_P(MissingVolumeCli, EndsWithTheDescribedStatus) {
    const MissingCase& c = GetParam();
    TempDir d;
    CopyAs(d.Path(), c.Files);
    ASSERT_TRUE(fs::remove(d.Path() / c.Removed));
    const std::string archive = (d.Path() / "x.zip").string();

    const auto l = RunKestrel({"list", archive});
    EXPECT_EQ(l.Status, c.ListStatus) << l.Err;

    const fs::path out = d.Path() / "out";
    for (const char* verb : {"extract", "test"}) {
        const auto r = verb == std::string("extract") ? RunKestrel({verb, archive, "-d", out.string()})
                                                      : RunKestrel({verb, archive});
        EXPECT_EQ(r.Status, c.ExtractStatus) << verb << ": " << r.Err;
        const auto errLines = Lines(r.Err);
        for (const std::string& want : c.ErrLines)
            EXPECT_NE(std::find(errLines.begin(), errLines.end(), want), errLines.end())
                << verb << ": no line \"" << want << "\" in\n"
                << r.Err;
    }
    // Nothing was extracted: the first item lies on the missing volume and ends the run.
    EXPECT_FALSE(fs::exists(out / "noise.bin"));
    EXPECT_FALSE(fs::exists(out / "hello.txt"));
    EXPECT_FALSE(fs::exists(out / "dir"));
}

const std::string Native45 =
    "Kestrel: Cannot open archive file. Opening aborted or invalid file - Native error: 00045";

const FileList Span3 = {{"span3.z01", "x.z01"}, {"span3.z02", "x.z02"}, {"span3.zip", "x.zip"}};

INSTANTIATE_TEST_SUITE_P(
    InfoZip, MissingVolumeCli,
    ::testing::Values(
        // The directory lies on the last volume, so the set lists. Without x.z01 it is still a
        // split set (x.z02 names it): the first-volume request fails without a prompt.
        MissingCase{"first volume",
                    Span3,
                    "x.z01",
                    0,
                    1,
                    {"kestrel: noise.bin: " + Native45, "kestrel: the run was aborted"}},
        // Without x.z02 (the volume before the last) nothing shows a split set, so the volumes
        // count as disks and the disk prompt, unanswerable without a terminal, is cancelled.
        MissingCase{"middle volume",
                    Span3,
                    "x.z02",
                    0,
                    1,
                    {"kestrel: not asked (standard input is not a terminal): Please insert the first disk -- "
                     "answered Cancel",
                     "kestrel: noise.bin: " + Native45, "kestrel: the run was aborted"}},
        // Without the last volume there is no directory: the archive cannot be opened.
        MissingCase{"last volume", Span3, "x.zip", 2, 2, {}},
        // The directory starts on the missing first volume: the archive cannot be opened.
        MissingCase{"first volume with the directory start",
                    {{"cdspan.z01", "x.z01"}, {"cdspan.zip", "x.zip"}},
                    "x.z01",
                    2,
                    2,
                    {Native45}}),
    [](const ::testing::TestParamInfo<MissingCase>& info) {
        std::string n = info.param.Title;
        std::replace(n.begin(), n.end(), ' ', '_');
        return n;
    });

} // namespace
} // namespace ks
