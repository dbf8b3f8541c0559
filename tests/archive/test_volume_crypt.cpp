// Encrypted items of a two-volume split set whose stored bytes a volume boundary cuts: the AES
// salt, password verifier, data or authentication code, or the traditional cipher's header, may
// lie partly or wholly on the next volume. Such items extract and authenticate; a damaged
// authentication code on the next volume fails the item.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/Kestrel.h"
#include "tests/archive/EncryptedTestSupport.h"
#include "tests/support/AesEntryWriter.h"
#include "tests/support/ZipWriter.h"

namespace ks {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::TempDir;
using test::ZipWriter;

const std::string kPassword = "volume secret";

// Cuts a finished single-file archive into x.z01 (bytes before Cut) and x.zip (the rest, with the
// whole central directory and the end record), as a split writer would have laid it out: items
// stored behind the cut name volume 1 and count their offsets from its start.
void WriteSplitSet(const fs::path& Dir, Bytes Archive, const test::ArchiveLayout& Layout, uint64_t Cut) {
    ASSERT_LE(Cut, Layout.centralDirOffset);
    for (size_t i = 0; i < Layout.entries.size(); ++i)
        test::PatchCentralHeader(Archive, Layout, i, [&](TKSZipCentralDir& H) {
            if (H.relOffsetLH >= Cut) {
                H.diskNumberStart = 1;
                H.relOffsetLH -= static_cast<uint32_t>(Cut);
            }
        });
    test::PatchEndRecord(Archive, Layout, [&](TKSZipCentralDirEnd& E) {
        E.diskNumber = 1;
        E.startDiskNumber = 1;
        E.offsetStartDir -= static_cast<uint32_t>(Cut);
    });
    test::WriteFileBytes(Dir / "x.z01", std::span<const uint8_t>(Archive.data(), Cut));
    test::WriteFileBytes(Dir / "x.zip", std::span<const uint8_t>(Archive.data() + Cut, Archive.size() - Cut));
}

enum class Scheme { Aes256, Aes128, Traditional };

struct CutCase {
    const char* Title;
    Scheme Kind;
    uint16_t Method;
    // The cut, counted from the start of the item's stored bytes (its data offset); negative
    // values count back from their end.
    int64_t At;
    bool DamageCode; // flip a byte of the authentication code (on the next volume)
    // Start with a wrong password; the password event then gives the right one, and the header
    // cut by the boundary is checked again.
    bool WrongFirst = false;
};

class EncryptedAcrossVolumes : public ::testing::TestWithParam<CutCase> {};

TEST_P(EncryptedAcrossVolumes, ExtractsAndAuthenticates) {
    const CutCase& C = GetParam();
    const Bytes Plain = test::NoiseBytes(5000, 7);
    ZipWriter W;
    W.AddFile("before.txt", "stored in front, on the first volume\n");
    test::EntryOptions O{.method = C.Method};
    if (C.Kind == Scheme::Traditional) {
        O.password = kPassword;
    } else {
        const uint8_t Strength = C.Kind == Scheme::Aes256 ? 3 : 1;
        O.aes = test::AesOptions{.strength = Strength};
        O.transform = test::AesPayload(kPassword, Strength);
    }
    W.AddFile("secret.bin", Plain, O);
    W.AddFile("after.txt", "stored behind, on the last volume\n");
    Bytes Archive = W.Finish();
    const test::ArchiveLayout L = W.Layout();
    const test::EntryLayout& E = L.entries[1];
    const int64_t Cut =
        static_cast<int64_t>(E.dataOffset) + (C.At >= 0 ? C.At : static_cast<int64_t>(E.dataSize) + C.At);
    ASSERT_GE(Cut, static_cast<int64_t>(E.dataOffset));
    ASSERT_LE(Cut, static_cast<int64_t>(E.dataOffset + E.dataSize));
    if (C.DamageCode)
        Archive[E.dataOffset + E.dataSize - 1] ^= 0x01; // the code's last byte: always behind the cut here

    TempDir D;
    WriteSplitSet(D.Path(), Archive, L, static_cast<uint64_t>(Cut));
    const fs::path Out = D.Path() / "out";
    fs::create_directories(Out);

    TKestrel K;
    test::EncryptedRunLog Log;
    Log.AttachFailures(K);
    K.SetFileName((D.Path() / "x.zip").u16string());
    int Asked = 0;
    K.SetPassword(C.WrongFirst ? "not it" : kPassword);
    K.FOnPassword = [&](TComponent*, const TKSString&, AnsiString& Password, bool& Skip) {
        ++Asked;
        Password = kPassword;
        Skip = false;
    };
    K.SetBaseDir(Out.u16string());
    K.OpenArchive();
    ASSERT_EQ(K.SpanningMode(), smSplitting) << C.Title;
    K.ExtractFiles(u"*.*", test::kEncAllAttr, u"");
    K.CloseArchive();

    if (C.DamageCode) {
        EXPECT_EQ(Log.Natives, std::vector<int32_t>{8}) << C.Title;
        EXPECT_FALSE(fs::exists(Out / "secret.bin")) << C.Title;
    } else {
        EXPECT_TRUE(Log.Natives.empty()) << C.Title;
        ASSERT_TRUE(fs::exists(Out / "secret.bin")) << C.Title;
        EXPECT_EQ(test::ReadFileBytes(Out / "secret.bin"), Plain) << C.Title;
    }
    EXPECT_EQ(Asked, C.WrongFirst ? 1 : 0) << C.Title;
    // The items around it are read whatever became of it.
    EXPECT_TRUE(fs::exists(Out / "before.txt")) << C.Title;
    EXPECT_TRUE(fs::exists(Out / "after.txt")) << C.Title;
}

// AES-256 stores 16 salt bytes and a 2-byte verifier in front of the data and a 10-byte code
// behind it; AES-128 an 8-byte salt; the traditional cipher a 12-byte header.
INSTANTIATE_TEST_SUITE_P(
    Cuts, EncryptedAcrossVolumes,
    ::testing::Values(
        CutCase{"AES: data crosses", Scheme::Aes256, 0, 18 + 2000, false},
        CutCase{"AES, deflated: data crosses", Scheme::Aes256, 8, 18 + 1500, false},
        CutCase{"AES: code starts the next volume", Scheme::Aes256, 0, -10, false},
        CutCase{"AES: code cut", Scheme::Aes256, 0, -4, false},
        CutCase{"AES: salt cut", Scheme::Aes256, 0, 5, false},
        CutCase{"AES: verifier cut", Scheme::Aes256, 0, 17, false},
        CutCase{"AES-128: salt ends the first volume", Scheme::Aes128, 0, 8, false},
        CutCase{"AES: stored bytes start the next volume", Scheme::Aes256, 0, 0, false},
        CutCase{"AES: damaged code on the next volume", Scheme::Aes256, 0, -10, true},
        CutCase{"AES: damaged code, cut", Scheme::Aes256, 0, -4, true},
        CutCase{"AES: damaged code behind crossing data", Scheme::Aes256, 8, 18 + 1500, true},
        CutCase{"AES: salt cut, wrong password first", Scheme::Aes256, 0, 5, false, true},
        CutCase{"traditional: header cut", Scheme::Traditional, 0, 6, false},
        CutCase{"traditional: header cut, wrong password first", Scheme::Traditional, 8, 6, false, true},
        CutCase{"traditional, deflated: data crosses", Scheme::Traditional, 8, 12 + 1000, false}),
    [](const ::testing::TestParamInfo<CutCase>& Info) { return "Case" + std::to_string(Info.index); });

} // namespace
} // namespace ks
