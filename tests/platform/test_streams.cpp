// Streams: the TStream contract on every kind, file open modes, and share modes between opens
// and between processes.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "PlatformTestUtil.h"
#include "platform/KSStreams.h"

namespace ks {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(TStream& S) {
    S.SetPosition(0);
    std::string R(static_cast<std::size_t>(S.Size()), '\0');
    S.ReadBuffer(R.data(), static_cast<int64_t>(R.size()));
    return R;
}

// The same contract checks run against a file stream and a memory stream.
enum class Kind { File, Memory };

class WritableStreamTest : public test::ScratchTest, public ::testing::WithParamInterface<Kind> {
protected:
    std::unique_ptr<TStream> Make() {
        if (GetParam() == Kind::File)
            return std::make_unique<TKSFileStream>(Wide("s.bin"), fmCreate);
        return std::make_unique<TMemoryStream>();
    }
};

TEST_P(WritableStreamTest, ReadWriteSeekSize) {
    auto S = Make();
    S->WriteBuffer("hello world", 11);
    EXPECT_EQ(S->Position(), 11);
    EXPECT_EQ(S->Size(), 11);
    EXPECT_EQ(S->Seek(-5, TSeekOrigin::soEnd), 6);
    char Buf[8] = {};
    EXPECT_EQ(S->Read(Buf, 8), 5); // short at the end
    EXPECT_STREQ(Buf, "world");
    EXPECT_EQ(S->Read(Buf, 8), 0);
    EXPECT_EQ(S->Seek(-3, TSeekOrigin::soCurrent), 8);
    EXPECT_THROW(S->Seek(-1, TSeekOrigin::soBeginning), EStreamError);
}

TEST_P(WritableStreamTest, ReadBufferRaisesWhenShort) {
    auto S = Make();
    S->WriteBuffer("abc", 3);
    S->SetPosition(1);
    char Buf[4];
    EXPECT_THROW(S->ReadBuffer(Buf, 3), EReadError);
    S->SetPosition(0);
    EXPECT_NO_THROW(S->ReadBuffer(Buf, 3));
    EXPECT_NO_THROW(S->ReadBuffer(Buf, 0));
}

TEST_P(WritableStreamTest, WritingPastTheEndFillsWithZeros) {
    auto S = Make();
    S->WriteBuffer("ab", 2);
    S->SetPosition(5);
    S->WriteBuffer("z", 1);
    EXPECT_EQ(ReadAll(*S), std::string("ab\0\0\0z", 6));
}

TEST_P(WritableStreamTest, SetSizeTruncatesAndExtends) {
    auto S = Make();
    S->WriteBuffer("abcdef", 6);
    S->SetSize(3);
    EXPECT_EQ(S->Size(), 3);
    EXPECT_EQ(S->Position(), 3); // the position was past the new end
    S->SetSize(5);
    EXPECT_EQ(ReadAll(*S), std::string("abc\0\0", 5));
}

TEST_P(WritableStreamTest, CopyFrom) {
    auto S = Make();
    std::vector<uint8_t> Big(3 * 1024 * 1024 + 17);
    for (std::size_t I = 0; I < Big.size(); ++I)
        Big[I] = static_cast<uint8_t>(I * 131 + 7);
    TReadOnlyMemoryStream Src(Big.data(), static_cast<int64_t>(Big.size()));
    Src.SetPosition(100);
    EXPECT_EQ(S->CopyFrom(Src, 0), static_cast<int64_t>(Big.size())); // 0: all of it, from the start
    EXPECT_EQ(S->Size(), static_cast<int64_t>(Big.size()));
    const std::string All = ReadAll(*S);
    EXPECT_EQ(std::memcmp(All.data(), Big.data(), Big.size()), 0);

    Src.SetPosition(static_cast<int64_t>(Big.size()) - 10);
    EXPECT_THROW(S->CopyFrom(Src, 11), EReadError);
}

INSTANTIATE_TEST_SUITE_P(Kinds, WritableStreamTest, ::testing::Values(Kind::File, Kind::Memory),
                         [](const auto& Info) { return Info.param == Kind::File ? "File" : "Memory"; });

TEST(ReadOnlyMemoryStreamTest, ReadsAndRefusesWrites) {
    static const char Payload[] = "PK\x05\x06payload";
    TReadOnlyMemoryStream S(Payload, 11);
    EXPECT_EQ(S.Size(), 11);
    char Buf[4];
    S.ReadBuffer(Buf, 4);
    EXPECT_EQ(std::memcmp(Buf, "PK\x05\x06", 4), 0);
    EXPECT_EQ(S.Write("x", 1), 0);
    EXPECT_THROW(S.WriteBuffer("x", 1), EWriteError);
    EXPECT_THROW(S.SetSize(3), EStreamError);
    EXPECT_EQ(S.Seek(100, TSeekOrigin::soBeginning), 100); // allowed, reads nothing
    EXPECT_EQ(S.Read(Buf, 4), 0);
    TReadOnlyMemoryStream Empty(nullptr, 5);
    EXPECT_EQ(Empty.Size(), 0);
}

class FileStreamTest : public test::ScratchTest {};

TEST_F(FileStreamTest, OpenModes) {
    EXPECT_THROW(TKSFileStream(Wide("missing"), fmOpenRead | fmShareDenyNone), EFOpenError);
    EXPECT_THROW(TKSFileStream(Wide("no/such/dir/f"), fmCreate), EFCreateError);
    fs::create_directory(Native("d"));
    EXPECT_THROW(TKSFileStream(Wide("d"), fmOpenRead | fmShareDenyNone), EFOpenError);

    WriteFile("f", "old contents");
    {
        TKSFileStream R(Wide("f"), fmOpenRead | fmShareDenyNone);
        EXPECT_EQ(R.Size(), 12);
        EXPECT_EQ(R.Write("x", 1), 0); // opened for reading only
    }
    {
        TKSFileStream RW(Wide("f"), fmOpenReadWrite | fmShareDenyWrite);
        RW.Seek(0, TSeekOrigin::soEnd);
        RW.WriteBuffer("!", 1);
    }
    EXPECT_EQ(ReadFile("f"), "old contents!");
    {
        TKSFileStream C(Wide("f"), fmCreate); // truncates
        EXPECT_EQ(C.Size(), 0);
        C.WriteBuffer("new", 3);
    }
    EXPECT_EQ(ReadFile("f"), "new");
    try {
        TKSFileStream(Wide("missing"), fmOpenRead);
        FAIL();
    } catch (const EFOpenError& E) {
        EXPECT_NE(E.Message.find("missing"), std::string::npos) << E.Message;
    }
}

// Reads of a file opened for reading only, in an order that crosses the read-ahead window's edges,
// jumps back and forth, asks for more than a window at once and runs past the end: every read
// returns exactly the file's bytes at the position.
TEST_F(FileStreamTest, ReadsAtAnyPositionReturnTheFilesBytes) {
    std::string Data(200000, '\0');
    uint32_t X = 12345;
    for (char& Ch : Data) {
        X = X * 1103515245u + 12345u;
        Ch = static_cast<char>(X >> 24);
    }
    WriteFile("f", Data);
    struct Step {
        int64_t Seek; // -1: read on from where the last read ended
        int64_t Count;
    };
    const Step Steps[] = {
        {0, 30}, {-1, 1000},  {32767, 2},  {-1, 40000},  {5, 10},      {100000, 70000},
        {-1, 1}, {65535, 3},  {-1, 32768}, {199990, 10}, {199995, 50}, {250000, 4},
        {-1, 0}, {1, 199999}, {131072, 1}, {131071, 1},  {0, 200000},
    };
    TKSFileStream R(Wide("f"), fmOpenRead | fmShareDenyWrite);
    int64_t Pos = 0;
    for (const Step& St : Steps) {
        if (St.Seek >= 0)
            Pos = R.Seek(St.Seek, TSeekOrigin::soBeginning);
        ASSERT_EQ(R.Position(), Pos);
        std::string Got(static_cast<std::size_t>(St.Count), '\0');
        const int64_t N = R.Read(Got.data(), St.Count);
        const int64_t Want = std::clamp<int64_t>(static_cast<int64_t>(Data.size()) - Pos, 0, St.Count);
        ASSERT_EQ(N, Want) << "at " << Pos << " for " << St.Count;
        Got.resize(static_cast<std::size_t>(N));
        EXPECT_EQ(Got, Data.substr(std::min(static_cast<std::size_t>(Pos), Data.size()),
                                   static_cast<std::size_t>(N)))
            << "at " << Pos;
        Pos += N;
    }
    EXPECT_EQ(R.Seek(-4, TSeekOrigin::soEnd), 199996);
    EXPECT_EQ(R.Seek(2, TSeekOrigin::soCurrent), 199998);
    EXPECT_THROW(R.Seek(-1, TSeekOrigin::soBeginning), EStreamError);
    EXPECT_EQ(R.Size(), 200000);
}

// A reader whose window holds the old end of a file sees what another open appends later.
TEST_F(FileStreamTest, ReaderSeesDataAppendedAfterItsLastRead) {
    WriteFile("f", "abc");
    TKSFileStream R(Wide("f"), fmOpenRead | fmShareDenyNone);
    char Buf[8] = {};
    EXPECT_EQ(R.Read(Buf, 8), 3);
    {
        TKSFileStream W(Wide("f"), fmOpenReadWrite | fmShareDenyNone);
        W.Seek(0, TSeekOrigin::soEnd);
        W.WriteBuffer("def", 3);
    }
    EXPECT_EQ(R.Read(Buf, 8), 3);
    EXPECT_EQ(std::string(Buf, 3), "def");
}

#ifndef _WIN32
// A create gives a file it brings into being the asked-for rights, filtered by the umask; a file
// that was there keeps its own and says so.
TEST_F(FileStreamTest, CreateRightsApplyToNewFilesOnly) {
    const mode_t Old = umask(027);
    {
        TKSFileStream C(Wide("new"), fmCreate, 0755);
        EXPECT_TRUE(C.CreatedWithRights());
        C.WriteBuffer("x", 1);
    }
    WriteFile("old", "old contents");
    fs::permissions(Native("old"), fs::perms(0600));
    {
        TKSFileStream C(Wide("old"), fmCreate, 0755);
        EXPECT_FALSE(C.CreatedWithRights());
        EXPECT_EQ(C.Size(), 0);
    }
    {
        TKSFileStream C(Wide("plain"), fmCreate);
        EXPECT_TRUE(C.CreatedWithRights());
    }
    umask(Old);
    EXPECT_EQ(static_cast<unsigned>(fs::status(Native("new")).permissions()), 0750u);
    EXPECT_EQ(static_cast<unsigned>(fs::status(Native("old")).permissions()), 0600u);
    EXPECT_EQ(static_cast<unsigned>(fs::status(Native("plain")).permissions()), 0640u);
    EXPECT_EQ(ReadFile("new"), "x");
}
#endif

struct ShareCase {
    const char* Label;
    uint16_t First, Second;
    bool SecondOpens;
};

// The two archive open modes and the create mode against each other.
const ShareCase kShareCases[] = {
    {"rw deny-write blocks rw deny-write", 0x22, 0x22, false},
    {"rw deny-write allows read deny-none", 0x22, 0x40, true},
    {"read deny-none allows rw deny-write", 0x40, 0x22, true},
    {"read deny-none allows read deny-none", 0x40, 0x40, true},
    {"create is exclusive to readers", fmCreate, 0x40, false},
    {"create is exclusive to writers", fmCreate, 0x22, false},
    {"reader blocks create", 0x40, fmCreate, false},
    {"read deny-write blocks rw", 0x20, 0x42, false},
    {"read deny-write allows read deny-none", 0x20, 0x40, true},
    {"rw deny-none blocks read deny-write", 0x42, 0x20, false},
    {"exclusive blocks everything", 0x12, 0x40, false},
};

class ShareModeTest : public test::ScratchTest, public ::testing::WithParamInterface<ShareCase> {};

TEST_P(ShareModeTest, WithinOneProcess) {
    const auto& C = GetParam();
    WriteFile("f", "keep me");
    {
        TKSFileStream First(Wide("f"), C.First);
        if (C.SecondOpens) {
            EXPECT_NO_THROW(TKSFileStream(Wide("f"), C.Second));
        } else {
            EXPECT_THROW(TKSFileStream(Wide("f"), C.Second), EStreamError);
        }
    }
    // Once the first holder closes, the second mode opens.
    EXPECT_NO_THROW(TKSFileStream(Wide("f"), C.Second));
    if (C.First != fmCreate && C.Second == fmCreate) {
        EXPECT_EQ(ReadFile("f"), ""); // truncated only by the open that succeeded
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, ShareModeTest, ::testing::ValuesIn(kShareCases), [](const auto& Info) {
    std::string N = Info.param.Label;
    for (char& Ch : N)
        if (!isalnum(static_cast<unsigned char>(Ch)))
            Ch = '_';
    return N;
});

TEST_F(FileStreamTest, RefusedCreateLeavesTheHeldFileUntouched) {
    WriteFile("f", "precious");
    TKSFileStream Holder(Wide("f"), fmOpenRead | fmShareDenyNone);
    EXPECT_THROW(TKSFileStream(Wide("f"), fmCreate), EFCreateError);
    EXPECT_EQ(ReadFile("f"), "precious");
}

// A second process (the holder program) opens the file read-write denying write and keeps it.
TEST_F(FileStreamTest, AnotherProcessHoldingTheFileForWriting) {
    WriteFile("f", "data");
    const std::string Out = Native("holder.out");
#ifdef _WIN32
    // cmd.exe takes double quotes only, and strips one extra pair around the whole line.
    const std::string Cmd =
        std::string("\"\"") + KS_HOLDER_EXE + "\" \"" + Native("f") + "\" 34 > \"" + Out + "\"\"";
#else
    const std::string Cmd = std::string("'") + KS_HOLDER_EXE + "' '" + Native("f") + "' 34 > '" + Out + "'";
#endif
    // Closing the pipe ends the holder on every way out of the test.
    struct TPipe {
        FILE* F;
        ~TPipe() {
            if (F)
                pclose(F);
        }
    } Pipe{popen(Cmd.c_str(), "w")};
    ASSERT_NE(Pipe.F, nullptr);
    // Wait (up to 20 s on a loaded machine) for the holder to report that it has the file open.
    std::string Said;
    for (int I = 0; I < 2000 && Said.find('\n') == std::string::npos; ++I) {
        Said = ReadFile("holder.out");
        std::erase(Said, '\r'); // text-mode output on Windows ends lines with CR LF
        if (Said.find('\n') == std::string::npos)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(Said, "ready\n");
    EXPECT_THROW(TKSFileStream(Wide("f"), fmOpenReadWrite | fmShareDenyWrite), EFOpenError);
    {
        TKSFileStream Reader(Wide("f"), fmOpenRead | fmShareDenyNone);
        EXPECT_EQ(ReadAll(Reader), "data");
    }
    EXPECT_EQ(pclose(Pipe.F), 0);
    Pipe.F = nullptr;
    EXPECT_NO_THROW(TKSFileStream(Wide("f"), fmOpenReadWrite | fmShareDenyWrite));
}

TEST(MemoryStreamTest, WriteAtAnUnreachablePositionFailsCleanly) {
    TMemoryStream M;
    M.Seek(INT64_MAX - 1, TSeekOrigin::soBeginning);
    EXPECT_EQ(M.Write("abc", 3), 0);
    EXPECT_THROW(M.WriteBuffer("abc", 3), EWriteError);
    EXPECT_EQ(M.Size(), 0);
    char Buf[1];
    EXPECT_EQ(M.Read(Buf, 1), 0);
}

TEST(MemoryStreamTest, LoadAndSaveFiles) {
    TMemoryStream M;
    M.WriteBuffer("abc", 3);
    const TKSString Name = Utf8ToWide(std::string(KS_SCRATCH_DIR) + "/memory_stream.bin");
    fs::create_directories(KS_SCRATCH_DIR);
    M.SaveToFile(Name);
    TMemoryStream N;
    N.LoadFromFile(Name);
    EXPECT_EQ(N.Bytes(), (std::vector<uint8_t>{'a', 'b', 'c'}));
    EXPECT_EQ(N.Position(), 0);
    N.Clear();
    EXPECT_EQ(N.Size(), 0);
    fs::remove(KS_SCRATCH_DIR "/memory_stream.bin");
}

} // namespace
} // namespace ks
