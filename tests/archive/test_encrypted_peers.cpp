// Encrypted entries made by other tools, both schemes: every item extracts with the password given
// up front, without a question and without a failure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/archive/EncryptedTestSupport.h"

namespace ks {
namespace {

using test::OpenedArchive;
using test::ReadText;

struct PeerCase {
    const char* file;
    const char* password;
    std::vector<std::string> names;
};

class EncryptedPeer : public ::testing::TestWithParam<PeerCase> {};

TEST_P(EncryptedPeer, ExtractsWithThePassword) {
    const PeerCase& c = GetParam();
    OpenedArchive a(test::ReadFileBytes(test::EncryptedFixture(c.file)));
    test::EncryptedRunLog log;
    EXPECT_EQ(test::ExtractWithPassword(*a.Arc, c.password, log), 0);
    EXPECT_TRUE(log.Natives.empty());
    for (const std::string& n : c.names)
        EXPECT_EQ(ReadText(a.OutFile(n)), n == "hello.txt" ? test::FixtureHello() : test::FixtureLines())
            << n;
}

const char* const kNonAscii = "jelsz\xc3\xb3\xe2\x82\xac";

INSTANTIATE_TEST_SUITE_P(Fixtures, EncryptedPeer,
                         ::testing::Values(
                             // Traditional encryption.
                             PeerCase{"zip_crypt.zip", "secret", {"hello.txt", "lines.txt"}},
                             PeerCase{"zip_crypt_stream.zip", "secret", {"hello.txt", "lines.txt"}},
                             PeerCase{"7z_zipcrypto.zip", "secret", {"hello.txt", "lines.txt"}},
                             PeerCase{"zip_crypt_nonascii.zip", kNonAscii, {"hello.txt"}},
                             // AES.
                             PeerCase{"7z_aes128.zip", "secret", {"hello.txt", "lines.txt"}},
                             PeerCase{"7z_aes192.zip", "secret", {"hello.txt", "lines.txt"}},
                             PeerCase{"7z_aes256.zip", "secret", {"hello.txt", "lines.txt"}},
                             PeerCase{"zipjs_ae2.zip", "secret", {"hello.txt", "lines.txt"}},
                             PeerCase{"zipjs_ae2_nonascii.zip", kNonAscii, {"hello.txt"}}),
                         [](const auto& i) {
                             std::string n = i.param.file;
                             return n.substr(0, n.find('.'));
                         });

} // namespace
} // namespace ks
