// Recovery: the signature scans and the rebuild of a directory from local headers.
#include <gtest/gtest.h>

#include <string>

#include "tests/archive/DirTestUtil.h"

namespace ks {
namespace {

using namespace dirtest;
using test::ZipWriter;

const uint8_t LocalSig[4] = {0x50, 0x4B, 0x03, 0x04};

Bytes WithSignatureAt(size_t Size, size_t At, const uint8_t* Sig = LocalSig) {
    Bytes B(Size, 0x11);
    std::copy(Sig, Sig + 4, B.begin() + static_cast<long>(At));
    return B;
}

// ---- FindSignature -----------------------------------------------------------------------------

TEST(Recovery, FindSignatureAcrossBlocks) {
    struct Case {
        size_t Size, At;
        int64_t From;
        int64_t Expected; // -1: not found
    };
    const Case Cases[] = {
        {100, 0, 0, 0},              // at the start
        {20000, 9997, 0, 9997},      // cut by the first block boundary
        {20000, 9996, 0, 9996},      // last complete position of the first block
        {20000, 19996, 0, 19996},    // the last four bytes
        {20000, 5000, 5001, -1},     // the search starts after it
        {20000, 5000, 25000, -1},    // the search starts beyond the end
        {30000, 29000, 12345, 29000} // later blocks
    };
    for (const Case& C : Cases) {
        auto L = Prepare(WithSignatureAt(C.Size, C.At));
        L->Stream->SetPosition(7);
        int64_t Offset = C.From;
        const bool Found = TKSDirManager::FindSignature(L->Stream.get(), Offset, LocalSig, 4);
        EXPECT_EQ(Found, C.Expected >= 0) << C.At;
        if (Found) {
            EXPECT_EQ(Offset, C.Expected) << C.At;
        }
        EXPECT_EQ(L->Stream->Position(), 7) << "position restored";
    }
}

TEST(Recovery, FindSignatureStopsAtACommonZeroByte) {
    // A pattern with a zero byte matches as soon as both reach it.
    const uint8_t Pattern[3] = {'a', 0, 'z'};
    Bytes B = test::ToBytes("xxxa");
    B.push_back(0);
    B.push_back('q');
    auto L = Prepare(B);
    int64_t Offset = 0;
    ASSERT_TRUE(TKSDirManager::FindSignature(L->Stream.get(), Offset, Pattern, 3));
    EXPECT_EQ(Offset, 3);
}

// ---- FindLocalFileHeader / FindDataDescriptor ----------------------------------------------------

TEST(Recovery, FindLocalFileHeaderNeedsRoomForAHeader) {
    struct Case {
        size_t Size, At;
        int64_t Expected;
    };
    const Case Cases[] = {
        {200000, 65533, 65533},   // cut by the 65535-byte block boundary
        {200000, 131068, 131068}, // cut by a later boundary
        {100, 70, 70},            // exactly 30 bytes from the signature to the end
        {100, 71, -1},            // 29 bytes left
        {100, 96, -1},
    };
    for (const Case& C : Cases) {
        auto L = Prepare(WithSignatureAt(C.Size, C.At));
        L->Stream->SetPosition(3);
        EXPECT_EQ(L->DM->FindLocalFileHeader(0), C.Expected) << C.At;
        EXPECT_EQ(L->Stream->Position(), 3);
    }
    auto L = Prepare(WithSignatureAt(100, 10));
    EXPECT_EQ(L->DM->FindLocalFileHeader(11), -1);
    EXPECT_EQ(L->DM->FindLocalFileHeader(1000), -1);
}

TEST(Recovery, FindDataDescriptorReportsAnIncompleteDescriptor) {
    const uint8_t Sig[4] = {0x50, 0x4B, 0x07, 0x08};
    for (size_t At : {10, 84, 90}) { // 16, 16 and 10 bytes left
        Bytes B = WithSignatureAt(100, At, Sig);
        if (At + 16 <= B.size())
            for (size_t i = 0; i < 12; ++i)
                B[At + 4 + i] = static_cast<uint8_t>(i + 1);
        auto L = Prepare(B);
        TKSZipDataDescriptor D;
        bool Complete = true;
        ASSERT_TRUE(L->DM->FindDataDescriptor(0, D, Complete)) << At;
        EXPECT_EQ(Complete, At + 16 <= 100) << At;
        if (Complete) {
            EXPECT_EQ(D.crc32, 0x04030201u);
        }
    }
    auto L = Prepare(Bytes(100, 0));
    TKSZipDataDescriptor D;
    bool Complete = true;
    EXPECT_FALSE(L->DM->FindDataDescriptor(0, D, Complete));
}

// ---- rebuilding ----------------------------------------------------------------------------------

// An archive whose end record is gone, so loading rebuilds it.
Bytes Damaged(ZipWriter& W) {
    return test::CutEndRecord(W.Finish(), W.Layout());
}

TEST(Recovery, NoLocalHeaderRaises35AndMultiVolumeRaises44) {
    EXPECT_EQ(NativeOf([] { Load(Bytes(500, 0x33)); }), 35);
    ZipWriter W;
    W.AddFile("a.txt", "x");
    const Bytes A = Damaged(W);
    EXPECT_EQ(NativeOf([&] { Load(A, {.Spanning = smSplitting}); }), 44);
}

TEST(Recovery, ItemsFromLocalHeaders) {
    CodePageGuard Pages(852, 1250);
    ZipWriter W;
    W.AddFile("plain.txt", std::string(2000, 'p'));
    W.AddFile("stream.bin", std::string(700, 's'), {.method = 0, .dataDescriptor = true});
    W.AddDirectory("folder");
    W.AddFile("empty.txt", "");
    W.AddFile("\x8B-oem.txt", "o");
    W.AddFile("\xC5\x91-utf8.txt", "u", {.flags = KSFlagUtf8Names});
    W.AddFile("nucx?.txt", "n", {.unicodeName = TKSString(u"nucx\x4E2D.txt")});
    W.AddFile("big.bin", "z", {.method = 0, .zip64 = true});
    const Bytes A = Damaged(W);
    auto L = Load(A);
    ASSERT_EQ(L->Count(), 8);
    const TKSString Names[] = {
        u"plain.txt",           u"stream.bin",           u"folder/",        u"empty.txt",
        U8("\xC5\x91-oem.txt"), U8("\xC5\x91-utf8.txt"), u"nucx\x4E2D.txt", u"big.bin"};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(L->Name(i), Names[i]) << i;
        EXPECT_EQ(L->Item(i).EffRelOffsetLH(),
                  LocalHeaderOf(A, W.Layout().entries[static_cast<size_t>(i)].name))
            << i;
        EXPECT_TRUE(L->Item(i).Comment.empty());
        EXPECT_EQ(L->Item(i).CentralDir.signature, ZipCentralDirSignature);
    }
    // Sizes from the data descriptor, attributes by the folder rule.
    EXPECT_EQ(L->Item(1).CentralDir.unCompSize, 700u);
    EXPECT_EQ(L->Item(1).CentralDir.compSize, 700u);
    EXPECT_EQ(L->Item(1).CentralDir.crc32, test::Crc32(test::ToBytes(std::string(700, 's'))));
    EXPECT_EQ(L->Item(2).CentralDir.externalAttr, 0x10u);
    EXPECT_EQ(L->Item(3).CentralDir.externalAttr, 0x20u);
    EXPECT_EQ(L->Item(0).CentralDir.externalAttr, 0x20u);
    // The local Zip64 field supplies the sizes.
    EXPECT_TRUE(L->Item(7).bHugeFile);
    EXPECT_EQ(L->Item(7).EffUnCompSize(), 1u);
    EXPECT_EQ(L->Item(7).EffCompSize(), 1u);
    EXPECT_EQ(L->DM->CentralDirOffset, static_cast<int64_t>(A.size()));
}

TEST(Recovery, StraySignaturesInStoredData) {
    // Stored data holding local header signatures whose name length is 0, twice, and one with an
    // impossible size and one with a name longer than 260 bytes: none of them is an entry.
    auto Stray = [](uint16_t NameLength, uint32_t CompSize) {
        Bytes H = {0x50, 0x4B, 0x03, 0x04};
        H.resize(30, 0);
        H[18] = static_cast<uint8_t>(CompSize);
        H[19] = static_cast<uint8_t>(CompSize >> 8);
        H[20] = static_cast<uint8_t>(CompSize >> 16);
        H[21] = static_cast<uint8_t>(CompSize >> 24);
        H[26] = static_cast<uint8_t>(NameLength);
        H[27] = static_cast<uint8_t>(NameLength >> 8);
        return H;
    };
    Bytes Data = Concat(Concat(Stray(0, 0), Stray(0, 5)), Concat(Stray(3, 0x7FFFFFFF), Stray(261, 0)));
    Data.resize(Data.size() + 300, 'n');
    ZipWriter W;
    W.AddFile("first.txt", "one");
    W.AddFile("data.bin", Data, {.method = 0});
    W.AddFile("last.txt", "two");
    auto L = Load(Damaged(W));
    ASSERT_EQ(L->Count(), 3);
    EXPECT_EQ(L->Name(0), u"first.txt");
    EXPECT_EQ(L->Name(1), u"data.bin");
    EXPECT_EQ(L->Name(2), u"last.txt");
}

TEST(Recovery, DescriptorCutByTheEndOfTheStreamLeavesTheHeaderValues) {
    ZipWriter W;
    W.AddFile("s.bin", "streamed data", {.method = 0, .dataDescriptor = true});
    Bytes A = W.Finish();
    // Keep the local header, the data and 10 bytes of the descriptor.
    A.resize(W.Layout().entries[0].descriptorOffset + 10);
    auto L = Load(A);
    ASSERT_EQ(L->Count(), 1);
    EXPECT_EQ(L->Item(0).CentralDir.crc32, 0u);
    EXPECT_EQ(L->Item(0).CentralDir.unCompSize, 0u);
    EXPECT_EQ(L->Item(0).CentralDir.externalAttr, 0x20u); // bit 3: never a folder
}

TEST(Recovery, ExtraFieldsRunningPastTheEnd) {
    ZipWriter W;
    W.AddFile("a.txt", "x");
    Bytes A = W.Finish();
    A.resize(LocalHeaderOf(A, "a.txt") + 30 + 5); // header and name only
    test::PatchLE16(A, 28, 40);                   // 40 bytes of extra fields announced
    A.push_back(0x01);                            // two of them present
    A.push_back(0x00);
    auto L = Load(A);
    ASSERT_EQ(L->Count(), 1);
    EXPECT_EQ(L->Name(0), u"a.txt");
    EXPECT_TRUE(L->Item(0).ExtraFields.empty()); // too short for a block header
}

} // namespace
} // namespace ks
