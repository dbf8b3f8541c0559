// Path rules: the base-folder join, name/path/extension splitting, drive parts, native names.
#include <gtest/gtest.h>

#include "platform/KSFiles.h"
#include "platform/KSStrings.h"

namespace ks {
namespace {

TEST(PathRulesTest, GetSlashedDir) {
    const struct {
        TKSString Dir, Cur, Expected;
    } Cases[] = {
        {u"C:\\Out", u"D:\\cur", u"C:\\Out\\"},
        {u"C:\\Out\\", u"D:\\cur", u"C:\\Out\\"},
        {u"", u"D:\\cur", u"D:\\cur\\"},
        {u"", u"", u"\\"},
        {u"/home/u", u"", u"/home/u\\"}, // a "/" is not a backslash
        {u"\u0150r\u4E2D\U0001F600", u"", u"\u0150r\u4E2D\U0001F600\\"},
        {u"\\", u"x", u"\\"},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(GetSlashedDir(C.Dir, C.Cur), C.Expected) << WideToUtf8(C.Dir);
}

TEST(PathRulesTest, ExtractParts) {
    const struct {
        TKSString In, Name, Path, Ext;
    } Cases[] = {
        {u"C:\\dir\\file.txt", u"file.txt", u"C:\\dir\\", u".txt"},
        {u"docs/sub/a.tar.gz", u"a.tar.gz", u"docs/sub/", u".gz"},
        {u"C:file", u"file", u"C:", u""},
        {u"dir.d\\noext", u"noext", u"dir.d\\", u""},
        {u"dir\\", u"", u"dir\\", u""},
        {u"name.", u"name.", u"", u"."},
        {u".hidden", u".hidden", u"", u".hidden"},
        {u"", u"", u"", u""},
        {u"mixed/a\\b.c", u"b.c", u"mixed/a\\", u".c"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(WideToUtf8(C.In));
        EXPECT_EQ(KSExtractFileName(C.In), C.Name);
        EXPECT_EQ(KSExtractFilePath(C.In), C.Path);
        EXPECT_EQ(KSExtractFileExt(C.In), C.Ext);
    }
}

TEST(PathRulesTest, DrivePartAndFloppies) {
    const struct {
        TKSString In, Drive;
        bool Floppy;
    } Cases[] = {
        {u"a:\\x.zip", u"a:", true},
        {u"B:x", u"B:", true},
        {u"C:\\x", u"C:", false},
        {u"\\\\srv\\share\\dir\\f", u"\\\\srv\\share", false},
        {u"//srv/share", u"//srv/share", false},
        {u"/home/a:", u"", false},
        {u"x.zip", u"", false},
        {u"1:\\x", u"", false},
    };
    for (const auto& C : Cases) {
        EXPECT_EQ(KSExtractFileDrive(C.In), C.Drive) << WideToUtf8(C.In);
        EXPECT_EQ(IsFloppyDrive(C.In), C.Floppy) << WideToUtf8(C.In);
    }
}

TEST(PathRulesTest, NativeNames) {
    EXPECT_EQ(KSToNativePath(u"C:\\dir\\\u0151.txt"), "C:/dir/\xC5\x91.txt");
    EXPECT_EQ(KSToNativePath(u"/a/b"), "/a/b");
    EXPECT_EQ(KSFromNativePath("/tmp/\xC5\x91"), u"/tmp/\u0151");
    EXPECT_EQ(KSFromNativePath("/tmp/\xFF"), u"/tmp/\uFFFD");
}

} // namespace
} // namespace ks
