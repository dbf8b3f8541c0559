// Error texts and the native-code map of EKSException.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "archive/KSConst.h"
#include "archive/KSExcept.h"
#include "platform/KSComponent.h"

namespace ks {
namespace {

class NamedComponent : public TComponent {
public:
    explicit NamedComponent(const char* Name) { SetName(Name); }
};

struct ComposeCase {
    const char* label;
    int32_t native;
    const char* component; // nullptr: no component
    bool withArgs;
    const char* arg; // the %s argument when withArgs
    int32_t errorCode;
    const char* text;
};

const ComposeCase kComposeCases[] = {
    {"ComponentPrefix", 13, "Kestrel", false, nullptr, 7,
     "Kestrel: Archive is not open - Native error: 00013"},
    {"NoComponent", 40, nullptr, false, nullptr, 22,
     "Cannot find Zip64 directory end record - Native error: 00040"},
    {"FileNameArgument", 12, "Kestrel", true, "D:\\a.zip", 6,
     "Kestrel: File \"D:\\a.zip\" not found - Native error: 00012"},
    {"EmptyComponentName", 13, "", false, nullptr, 7, "Archive is not open - Native error: 00013"},
    {"PlaceholderKeptWithoutArgs", 12, "Kestrel", false, nullptr, 6,
     "Kestrel: File \"%s\" not found - Native error: 00012"},
    {"UnknownCodeSixDigits", 100000, nullptr, false, nullptr, 0, "Unknown error - Native error: 100000"},
    {"NegativeCode", -12, nullptr, false, nullptr, 0, "Unknown error - Native error: 00-12"},
    {"FirstCode", 0, "Kestrel", false, nullptr, 0, "Kestrel: Unknown error - Native error: 00000"},
    {"LastCode", 62, nullptr, false, nullptr, 37,
     "Multiple transactions are not supported for multi-volume archives - Native error: 00062"},
    {"JustPastTable", 63, nullptr, false, nullptr, 0, "Unknown error - Native error: 00063"},
    {"TooLongNameLineBreak", 61, nullptr, true, "C:\\x", 36,
     "File name is too long: \r\n\"C:\\x\" - Native error: 00061"},
    {"TypoKeptExactly", 37, nullptr, false, nullptr, 20,
     "Archive is open. You should close it beore performing this operation. - Native error: 00037"},
    {"CreateDirectory", 20, "Kestrel", true, "C:\\out\\dir", 10,
     "Kestrel: Cannot create directory \"C:\\out\\dir\" - Native error: 00020"},
    {"ArgumentPercentNotReparsed", 19, nullptr, true, "100%s.txt", 9,
     "Cannot create file \"100%s.txt\" - Native error: 00019"},
};

class ComposeTest : public ::testing::TestWithParam<ComposeCase> {};

TEST_P(ComposeTest, ComposesExactText) {
    const ComposeCase& c = GetParam();
    NamedComponent comp(c.component ? c.component : "");
    const TComponent* owner = c.component ? &comp : nullptr;
    // The argument goes in as a wide string, the way raisers pass file names.
    const TKSString wideArg = c.arg ? TKSString(c.arg, c.arg + std::char_traits<char>::length(c.arg)) : u"";
    const EKSException e =
        c.withArgs ? EKSException(c.native, {wideArg}, owner) : EKSException(c.native, owner);
    EXPECT_EQ(e.Message, c.text);
    EXPECT_STREQ(e.what(), c.text);
    EXPECT_EQ(e.ErrorCode, c.errorCode);
    EXPECT_EQ(e.NativeError, c.native);
}

INSTANTIATE_TEST_SUITE_P(Texts, ComposeTest, ::testing::ValuesIn(kComposeCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(ErrorTable, EveryNativeCodeMapsAsListedAndInOrder) {
    // The map is searched front to back: native codes are 0..62 in order, each once.
    for (int i = 0; i < KSNativeErrorCount; ++i)
        EXPECT_EQ(KSNativeToErrorCode[static_cast<size_t>(i)].NativeError, i);
    const int32_t expected[KSNativeErrorCount] = {
        0, 1,  1,  1,  1,  2,  3,  1,  4,  5,  5,  6,  6,  7,  7,  6,  1,  8,  6,  9,  10,
        1, 11, 9,  1,  11, 13, 14, 15, 5,  6,  6,  16, 12, 17, 18, 19, 20, 6,  21, 22, 23,
        6, 23, 24, 24, 25, 26, 27, 28, 29, 30, 31, 6,  6,  32, 33, 27, 34, 34, 35, 36, 37};
    for (int i = 0; i < KSNativeErrorCount; ++i)
        EXPECT_EQ(KSErrorCodeOf(i), expected[i]) << "native " << i;
    std::set<int32_t> used;
    for (const auto& p : KSNativeToErrorCode)
        used.insert(p.ErrorCode);
    for (int unused : {38, 39, 40})
        EXPECT_EQ(used.count(unused), 0u);
    for (int e = 38; e <= 40; ++e)
        EXPECT_STREQ(KSErrorMessages[static_cast<size_t>(e)], "");
}

TEST(ErrorTable, MessagesRaisedByTheEngine) {
    struct Case {
        int32_t native;
        const char* text;
    };
    const Case cases[] = {
        {KSNE_DirArrayGetItem, "Index out of bounds"},
        {KSNE_SetCompressionMode, "Invalid compression mode. Mode must be in [0-9] range"},
        {KSNE_ExtractItemCheck, "Invalid size or check sum of file or unsupported compression format"},
        {KSNE_OpenArchiveNoName, "File name is blank. Specify appropriate file name"},
        {KSNE_ExtractCreateFile, "Cannot create file \"%s\""},
        {KSNE_OpenArchiveInMemory, "In-memory archive can be created only"},
        {KSNE_BuildByLocalHeaders, "Invalid archive file."},
        {KSNE_TryToBuildCentralDir, "Cannot open archive file. Opening aborted or invalid file"},
        {KSNE_WriteBufferToStream, "Write to stream error"},
        {KSNE_SaveSFXStub, "Cannot place SFX stub on volume. Volume size limit is too small"},
        {KSNE_InternalOpenArchive, "Archive is damaged. Open failed"},
        {KSNE_Deflate64, "Deflate64 compression method is not supported"},
        {KSNE_CentralDirInvalid, "Archive is damaged. Open failed"},
        {KSNE_SetItemName, "Hashed list of file names is invalid"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(KSErrorMessages[static_cast<size_t>(KSErrorCodeOf(c.native))], c.text) << c.native;
}

TEST(FormatMessage, PlaceholdersAndArguments) {
    struct Case {
        const char* pattern;
        std::initializer_list<TKSFormatArg> args;
        const char* expected;
    };
    const TKSString hungarian = u"\u0151r\u00FClt.zip"; // őrült.zip
    const Case cases[] = {
        {"rfs.size = %d, count = %d", {12, -7}, "rfs.size = 12, count = -7"},
        {"File \"%s\"", {hungarian}, "File \"\xC5\x91r\xC3\xBClt.zip\""},
        {"File \"%s\"", {"utf8 \xC3\xA9"}, "File \"utf8 \xC3\xA9\""},
        {"%s and %s", {"one"}, "one and %s"},
        {"%d", {"text"}, "%d"},
        {"100%% %s", {7}, "100% 7"},
        {"trailing %", {}, "trailing %"},
        {"%x stays", {1}, "%x stays"},
        {"big %d", {int64_t{1} << 40}, "big 1099511627776"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KSFormatMessage(c.pattern, c.args), c.expected) << c.pattern;
}

TEST(FormatMessage, WideToUtf8CoversAllPlanes) {
    EXPECT_EQ(KSWideToUtf8(u"A\u00E9\u20AC\U0001F600"), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    // An unpaired surrogate cannot be encoded: it becomes U+FFFD.
    EXPECT_EQ(KSWideToUtf8(TKSString(1, u'\xD800') + u"x"), "\xEF\xBF\xBDx");
    EXPECT_EQ(KSWideToUtf8(TKSString(1, u'\xDC00')), "\xEF\xBF\xBD");
}

TEST(EKSExceptionType, IsCaughtAsThePlatformException) {
    try {
        throw EKSException(KSNE_CheckInactive, nullptr);
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Archive is not open - Native error: 00013");
        return;
    }
    FAIL() << "not caught as ks::Exception";
}

} // namespace
} // namespace ks
