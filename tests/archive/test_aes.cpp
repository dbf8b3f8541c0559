// AES entries: the transform's sizes by strength, decryption of OpenSSL-made payloads in blocks
// of any size, the authentication verdict, key derivations per password, and extraction of
// entries from 7-Zip, @zip.js/zip.js and the test writer (AE-1 and AE-2), intact and damaged.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "archive/KSCryptoTransform.h"
#include "archive/KSDirArray.h"
#include "platform/KSStreams.h"
#include "tests/archive/EncryptedTestSupport.h"
#include "tests/support/AesEntryWriter.h"

namespace ks {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::OpenedArchive;
using test::ReadText;
using test::ZipWriter;

struct StrengthCase {
    uint8_t strength; // as in the extra field
    int32_t bits;
    size_t keyBytes, salt, startBlock;
};

const StrengthCase kStrengths[] = {{1, 128, 16, 8, 10}, {2, 192, 24, 12, 14}, {3, 256, 32, 16, 18}};

void Fill(TMemoryStream& s, const Bytes& B) {
    s.Write(B.data(), static_cast<int64_t>(B.size()));
    s.SetPosition(0);
}

// Runs the reading flow of one entry over Payload and returns the plain bytes; Sound gets the verdict.
Bytes ReadPayload(const StrengthCase& c, const Bytes& Payload, const std::string& Password, size_t Piece,
                  bool& Sound) {
    TAESCryptoTransform t(c.bits, 2, 0);
    t.Initialize(Decryption, nullptr);
    t.GenerateKey(Password);
    TMemoryStream s;
    Fill(s, Payload);
    t.LoadFileStorageStartBlock(s, 0);
    Sound = t.CheckPassword(Password, nullptr);
    const size_t dataLen = Payload.size() - c.startBlock - 10;
    Bytes data(Payload.begin() + static_cast<long>(c.startBlock),
               Payload.begin() + static_cast<long>(c.startBlock + dataLen));
    for (size_t at = 0; at < data.size(); at += Piece) {
        const auto n = static_cast<int32_t>(std::min(Piece, data.size() - at));
        EXPECT_EQ(
            t.DecryptBuffer(data.data(), static_cast<int32_t>(at), n, data.data(), static_cast<int32_t>(at)),
            n);
    }
    s.SetPosition(static_cast<int64_t>(c.startBlock + dataLen));
    t.LoadFileStorageEndBlock(s, 0);
    Sound = Sound && !t.IsDirItemCorrupted(nullptr, 0);
    return data;
}

class AesTransform : public ::testing::TestWithParam<StrengthCase> {};

TEST_P(AesTransform, SizesFollowTheStrength) {
    const StrengthCase& c = GetParam();
    for (const uint16_t version : {uint16_t{1}, uint16_t{2}}) {
        TAESCryptoTransform t(c.bits, version, 8);
        EXPECT_EQ(t.KeyLengthBytes(), c.keyBytes);
        EXPECT_EQ(static_cast<size_t>(t.GetFileStorageStartBlockSize()), c.startBlock);
        EXPECT_EQ(t.GetFileStorageEndBlockSize(), version == 1 ? 0 : 10);
        t.Initialize(Encryption, nullptr);
        t.GenerateKey("pw");
        EXPECT_EQ(t.SaltValue().size(), c.salt);
        EXPECT_EQ(t.GetKey().size(), c.keyBytes);
        const std::vector<uint8_t> extra = t.GetExtraFieldData();
        const std::vector<uint8_t> expected = {0x01, 0x99,       7, 0, static_cast<uint8_t>(version), 0, 'A',
                                               'E',  c.strength, 8, 0};
        EXPECT_EQ(extra, expected);
    }
}

TEST_P(AesTransform, DecryptsInBlocksOfAnySize) {
    const StrengthCase& c = GetParam();
    const Bytes plain = test::NoiseBytes(5000, c.strength);
    const Bytes payload = test::AesEncryptPayload("secret", c.strength, plain, 11);
    ASSERT_EQ(payload.size(), c.startBlock + plain.size() + 10);
    for (const size_t piece : {plain.size(), size_t{1}, size_t{15}, size_t{16}, size_t{17}, size_t{4097}}) {
        bool sound = false;
        EXPECT_EQ(ReadPayload(c, payload, "secret", piece, sound), plain) << "piece " << piece;
        EXPECT_TRUE(sound) << "piece " << piece;
    }
}

TEST_P(AesTransform, ChangedBytesMakeTheEntryCorrupted) {
    const StrengthCase& c = GetParam();
    const Bytes plain = test::NoiseBytes(300, 3);
    const Bytes payload = test::AesEncryptPayload("secret", c.strength, plain, 12);
    // One byte of the data, the first and last byte of the authentication code.
    for (const size_t at : {c.startBlock + 150, payload.size() - 10, payload.size() - 1}) {
        Bytes bad = payload;
        bad[at] ^= 0x01;
        bool sound = true;
        ReadPayload(c, bad, "secret", 64, sound);
        EXPECT_FALSE(sound) << "byte " << at;
    }
}

TEST_P(AesTransform, WrongPasswordFailsTheCheck) {
    const StrengthCase& c = GetParam();
    const Bytes payload = test::AesEncryptPayload("secret", c.strength, test::ToBytes("x"), 13);
    TAESCryptoTransform t(c.bits, 2, 0);
    t.Initialize(Decryption, nullptr);
    t.GenerateKey("Secret");
    TMemoryStream s;
    Fill(s, payload);
    t.LoadFileStorageStartBlock(s, 0);
    EXPECT_EQ(s.Position(), static_cast<int64_t>(c.startBlock));
    EXPECT_FALSE(t.CheckPassword("Secret", nullptr));
    EXPECT_TRUE(t.CheckPassword("secret", nullptr)); // a check changes nothing
    EXPECT_FALSE(t.CheckPassword("Secret", nullptr));
}

TEST_P(AesTransform, DerivesOncePerPasswordTried) {
    const StrengthCase& c = GetParam();
    const Bytes plain = test::ToBytes("derive once");
    const Bytes payload = test::AesEncryptPayload("right", c.strength, plain, 14);

    // The right password at once: one derivation for the whole entry.
    {
        TAESCryptoTransform t(c.bits, 2, 0);
        t.Initialize(Decryption, nullptr);
        t.GenerateKey("right");
        TMemoryStream s;
        Fill(s, payload);
        t.LoadFileStorageStartBlock(s, 0);
        EXPECT_TRUE(t.CheckPassword("right", nullptr));
        EXPECT_EQ(t.DerivationCount(), 1);

        // The password loop with a wrong password first: one more derivation for the right one.
        TAESCryptoTransform u(c.bits, 2, 0);
        u.Initialize(Decryption, nullptr);
        u.GenerateKey("wrong");
        s.SetPosition(0);
        u.LoadFileStorageStartBlock(s, 0);
        EXPECT_FALSE(u.CheckPassword("wrong", nullptr));
        u.GenerateKey("right");
        s.SetPosition(0);
        u.LoadFileStorageStartBlock(s, 0);
        EXPECT_TRUE(u.CheckPassword("right", nullptr));
        EXPECT_EQ(u.DerivationCount(), 2);
        Bytes data(payload.begin() + static_cast<long>(c.startBlock), payload.end() - 10);
        u.DecryptBuffer(data.data(), 0, static_cast<int32_t>(data.size()), data.data(), 0);
        EXPECT_EQ(data, plain);
        u.LoadFileStorageEndBlock(s, static_cast<int64_t>(data.size())); // skips the data
        EXPECT_EQ(s.Position(), static_cast<int64_t>(payload.size()));
        EXPECT_FALSE(u.IsDirItemCorrupted(nullptr, 0));
    }
}

TEST_P(AesTransform, EncryptedEntryOpensWithOpenSslPrimitivesToo) {
    // The transform's own encryption reproduces the payload of the independent writer when both
    // use the same salt, so both directions agree on keys, counter and code.
    const StrengthCase& c = GetParam();
    const Bytes plain = test::NoiseBytes(777, 21);
    const Bytes payload = test::AesEncryptPayload("pw", c.strength, plain, 22);
    TAESCryptoTransform t(c.bits, 2, 0);
    t.Initialize(Decryption, nullptr);
    TMemoryStream in;
    Fill(in, payload);
    t.GenerateKey("pw");
    t.LoadFileStorageStartBlock(in, 0); // takes the writer's salt
    t.Initialize(Encryption, nullptr);
    t.Reset();
    TMemoryStream out;
    t.GetFileStorageStartBlock(out, 0);
    Bytes data = plain;
    t.EncryptBuffer(data.data(), 0, static_cast<int32_t>(data.size()), data.data(), 0);
    out.Write(data.data(), static_cast<int64_t>(data.size()));
    t.GetFileStorageEndBlock(out, 0);
    const Bytes written(out.Memory(), out.Memory() + out.Size());
    EXPECT_EQ(written, payload);
}

INSTANTIATE_TEST_SUITE_P(Strengths, AesTransform, ::testing::ValuesIn(kStrengths),
                         [](const auto& i) { return "Aes" + std::to_string(i.param.bits); });

TEST(AesTransform, Ae1VerdictIsTheCrc) {
    TAESCryptoTransform t(128, 1, 0);
    TDirItem item;
    item.CentralDir.crc32 = 0x12345678u;
    EXPECT_FALSE(t.IsDirItemCorrupted(&item, 0x12345678u));
    EXPECT_TRUE(t.IsDirItemCorrupted(&item, 0x12345679u));
}

// ---- entries in archives --------------------------------------------------------------------------

struct WriterCase {
    const char* label;
    uint16_t version;
    uint16_t method;
    size_t size;
    std::optional<uint32_t> crc; // written instead of the true CRC-32
};

class AesWriterEntry : public ::testing::TestWithParam<WriterCase> {};

// The CRC-32 of an AES entry is not compared (AE-2 writes 0; a wrong one in AE-1 does not matter
// either): the authentication code decides.
TEST_P(AesWriterEntry, ExtractsAndTheCodeDecides) {
    const WriterCase& c = GetParam();
    const Bytes plain = test::NoiseBytes(c.size, 5);
    ZipWriter w;
    w.AddFile("e.bin", plain,
              {.method = c.method,
               .crc32 = c.crc,
               .aes = test::AesOptions{.strength = 2, .version = c.version},
               .transform = test::AesPayload("pw", 2, 9)});
    const Bytes zip = w.Finish();
    const test::EntryLayout L = w.Layout().entries[0];

    // Intact, a changed data byte, a changed code byte.
    const size_t dataAt = L.dataOffset + 14 + (L.dataSize - 24) / 2;
    for (const size_t damage : {size_t{0}, dataAt, L.dataOffset + L.dataSize - 3}) {
        if (damage == dataAt && L.dataSize <= 24)
            continue;
        Bytes z = zip;
        if (damage)
            z[damage] ^= 0x40;
        for (const bool testRun : {false, true}) {
            OpenedArchive a(z);
            a.Arc->SetPassword("pw");
            test::EncryptedRunLog log;
            log.AttachFailures(*a.Arc);
            if (testRun)
                a.Arc->TestFiles(u"*.*", test::kEncAllAttr, u"");
            else
                a.Arc->ExtractFiles(u"*.*", test::kEncAllAttr, u"");
            if (damage == 0) {
                EXPECT_TRUE(log.Natives.empty());
                EXPECT_EQ(test::OutcomeOf(*a.Arc, 0), TKSItemOutcome::Done);
                if (!testRun) {
                    EXPECT_EQ(test::ReadFileBytes(a.OutFile("e.bin")), plain);
                }
            } else {
                EXPECT_EQ(log.Natives, std::vector<int32_t>{8}) << "damage at " << damage;
                EXPECT_FALSE(fs::exists(a.OutFile("e.bin")));
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AesWriterEntry,
    ::testing::Values(WriterCase{"Ae2Deflated", 2, 8, 20000, std::nullopt},
                      WriterCase{"Ae2Stored", 2, 0, 3000, std::nullopt},
                      WriterCase{"Ae1Deflated", 1, 8, 20000, std::nullopt},
                      WriterCase{"Ae1WrongCrc", 1, 0, 3000, 0xDEADBEEFu},
                      WriterCase{"Ae2Empty", 2, 0, 0, std::nullopt},
                      // More than one 1 MiB block: key stream and HMAC run on across blocks.
                      WriterCase{"Ae2StoredThreeBlocks", 2, 0, 2621440 + 7, std::nullopt}),
    [](const auto& i) { return std::string(i.param.label); });

} // namespace
} // namespace ks
