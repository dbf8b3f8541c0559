// test_component.cpp -- the component's defaults, property rules, open paths and lifecycle.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "archive/KSConst.h"
#include "archive/KSDirManager.h"
#include "archive/KSExcept.h"
#include "archive/KSProperties.h"
#include "archive/KSVolumeNumberInfo.h"
#include "archive/Kestrel.h"
#include "platform/KSFiles.h"
#include "platform/KSStreams.h"
#include "platform/KSStrings.h"
#include "tests/support/ZipWriter.h"

namespace ks {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::TempDir;
using test::ZipWriter;

// The 22 bytes of an empty archive: the end record with every field 0.
const Bytes EmptyArchive = {0x50, 0x4B, 0x05, 0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

Bytes TwoItemArchive() {
    ZipWriter W;
    W.AddFile("a.txt", "alpha");
    W.AddFile("dir/b.txt", "beta");
    return W.Finish();
}

// Runs Action and returns the native code of the EKSException it raises (-1 when none).
int NativeErrorOf(const std::function<void()>& Action, std::string* Message = nullptr) {
    try {
        Action();
    } catch (const EKSException& E) {
        if (Message)
            *Message = E.Message;
        return E.NativeError;
    }
    return -1;
}

int32_t ItemCount(TKSBaseArchiver& Arc) {
    return Arc.DMHandle ? Arc.DMHandle->CDir.Count() : -1;
}

// ---- defaults and property rules ---------------------------------------------------------------

TEST(ComponentDefaults, KestrelAfterConstruction) {
    TKestrel K;
    EXPECT_FALSE(K.Active());
    EXPECT_EQ(K.CompressionLevel(), clFastest);
    EXPECT_EQ(K.CompressionMode(), 1);
    EXPECT_EQ(K.FCompressionMethod, 8);
    EXPECT_EQ(K.EncryptionMethod(), caPkzipClassic);
    EXPECT_FALSE(K.ExtractCorruptedFiles());
    EXPECT_TRUE(K.OpenCorruptedArchives());
    EXPECT_EQ(K.SpanningMode(), smNone);
    EXPECT_EQ(K.Zip64Mode(), zmDisabled);
    EXPECT_TRUE(K.UnicodeFilenames());
    EXPECT_FALSE(K.FSuppressPasswordEvent);
    EXPECT_EQ(K.DMHandle, nullptr);
    EXPECT_EQ(K.FCompressedStream, nullptr);
    EXPECT_EQ(K.GetCurrentVersionText(), u"5.01 ");
    const TKSOptions& O = *K.Options();
    EXPECT_EQ(O.StorePath(), spRelativePath);
    EXPECT_TRUE(O.Recurse());
    EXPECT_EQ(O.ShareMode(), smShareDenyNone);
    EXPECT_EQ(O.OverwriteMode(), omAlways);
    EXPECT_TRUE(O.CreateDirs() && O.ReplaceReadOnly() && O.SetAttributes() && O.FlushBuffers() &&
                O.OEMFileNames());
    EXPECT_EQ(O.SearchAttr(), 10431);
    const TKSSpanningOptions& S = *K.SpanningOptions();
    EXPECT_FALSE(S.AdvancedNaming());
    EXPECT_EQ(S.VolumeSize(), vsAutoDetect);
    EXPECT_EQ(S.FirstVolumeSize(), 0);
    EXPECT_EQ(S.CustomVolumeSize(), 0);
}

TEST(ComponentDefaults, BaseClassKeepsItsOwnMethodAndZip64Mode) {
    TKSBaseArchiver B;
    EXPECT_EQ(B.FCompressionMethod, 65535);
    EXPECT_EQ(B.FZip64Mode, zmAuto);
    EXPECT_EQ(B.CompressionMode(), 1);
}

TEST(ComponentDefaults, OwnedByItsOwner) {
    TComponent Owner;
    auto* K = new TKestrel(&Owner);
    EXPECT_EQ(Owner.ComponentCount(), 1);
    EXPECT_EQ(Owner.Component(0), K); // released with the owner
}

struct LevelCase {
    TKSCompressionLevel Level;
    uint8_t Mode;
    uint16_t Method;
};

class CompressionLevelTable : public ::testing::TestWithParam<LevelCase> {};

TEST_P(CompressionLevelTable, LevelSetsModeAndMethod) {
    TKestrel K;
    K.SetCompressionLevel(GetParam().Level);
    EXPECT_EQ(K.CompressionMode(), GetParam().Mode);
    EXPECT_EQ(K.FCompressionMethod, GetParam().Method);
}

INSTANTIATE_TEST_SUITE_P(Levels, CompressionLevelTable,
                         ::testing::Values(LevelCase{clNone, 0, 0}, LevelCase{clFastest, 1, 8},
                                           LevelCase{clNormal, 6, 8}, LevelCase{clMax, 9, 8}));

TEST(CompressionMode, ModeSetsLevelAndMethod) {
    const TKSCompressionLevel Expected[10] = {clNone,   clFastest, clFastest, clFastest, clNormal,
                                              clNormal, clNormal,  clMax,     clMax,     clMax};
    for (uint8_t Mode = 0; Mode <= 9; ++Mode) {
        TKestrel K;
        K.SetCompressionMode(Mode);
        EXPECT_EQ(K.CompressionLevel(), Expected[Mode]) << "mode " << int(Mode);
        EXPECT_EQ(K.FCompressionMethod, Mode == 0 ? 0 : 8) << "mode " << int(Mode);
    }
}

TEST(CompressionMode, AboveNineRaisesNative5AndChangesNothing) {
    TKestrel K;
    K.SetName("Kestrel");
    K.SetCompressionLevel(clNormal);
    std::string Message;
    EXPECT_EQ(NativeErrorOf([&] { K.SetCompressionMode(10); }, &Message), 5);
    EXPECT_EQ(Message,
              "Kestrel: Invalid compression mode. Mode must be in [0-9] range - Native error: 00005");
    EXPECT_EQ(K.CompressionMode(), 6);
    EXPECT_EQ(K.CompressionLevel(), clNormal);
}

TEST(Password, FirstPasswordResetsEncryptionMethod) {
    TKestrel K;
    K.SetEncryptionMethod(caAES_256);
    K.SetPassword("secret");
    EXPECT_EQ(K.EncryptionMethod(), caPkzipClassic);
    EXPECT_EQ(K.Password(), "secret");
    // A method chosen after the password stays, also when the password changes again.
    K.SetEncryptionMethod(caAES_128);
    K.SetPassword("other");
    EXPECT_EQ(K.EncryptionMethod(), caAES_128);
}

TEST(SpanningOptions, CustomVolumeSizeHasAFloor) {
    TKSSpanningOptions S;
    S.SetCustomVolumeSize(1000);
    EXPECT_EQ(S.CustomVolumeSize(), 65536);
    S.SetCustomVolumeSize(70000);
    EXPECT_EQ(S.CustomVolumeSize(), 70000);
}

TEST(SpanningOptions, VolumeSizeByClassAndFirstVolume) {
    const std::pair<TKSVolumeSize, int64_t> Table[] = {
        {vsAutoDetect, -1},   {vsCustom, 70000},       {vs1_44MB, 1457664},  {vs100MB, 104857600},
        {vs200MB, 209715200}, {vs250MB, 262144000},    {vs600MB, 629145600}, {vs650MB, 681574400},
        {vs700MB, 734003200}, {vs4700MB, 4928307200LL}};
    TKSVolumeNumberInfo Second;
    Second.SetVolumeNumber(1);
    TKSVolumeNumberInfo First;
    First.SetFirstVolume(true);
    for (const auto& [Size, Bytes] : Table) {
        TKSSpanningOptions S;
        S.SetCustomVolumeSize(70000);
        S.SetVolumeSize(Size);
        EXPECT_EQ(S.GetVolumeSize(Second), Bytes) << int(Size);
        EXPECT_EQ(S.GetVolumeSize(First), Bytes) << int(Size);
        S.SetFirstVolumeSize(123456);
        EXPECT_EQ(S.GetVolumeSize(First), 123456);
        EXPECT_EQ(S.GetVolumeSize(Second), Bytes);
    }
}

TEST(Options, AssignCopiesEveryField) {
    TKSOptions A, B;
    A.SetStorePath(spFullPathWithDrive);
    A.SetRecurse(false);
    A.SetShareMode(smShareExclusive);
    A.SetOverwriteMode(omIfNewer);
    A.SetCreateDirs(false);
    A.SetReplaceReadOnly(false);
    A.SetSetAttributes(false);
    A.SetSearchAttr(7);
    A.SetFlushBuffers(false);
    A.SetOEMFileNames(false);
    B.Assign(A);
    EXPECT_EQ(B.FStorePath, spFullPathWithDrive);
    EXPECT_FALSE(B.FRecurse || B.FCreateDirs || B.FReplaceReadOnly || B.FSetAttributes || B.FFlushBuffers ||
                 B.FOEMFileNames);
    EXPECT_EQ(B.FShareMode, smShareExclusive);
    EXPECT_EQ(B.FOverwriteMode, omIfNewer);
    EXPECT_EQ(B.FSearchAttr, 7);

    TKSSpanningOptions S, T;
    S.SetAdvancedNaming(true);
    S.SetFirstVolumeSize(5);
    S.SetVolumeSize(vs700MB);
    S.SetCustomVolumeSize(100000);
    S.FSaveDirToFirstVolume = true;
    T.Assign(S);
    EXPECT_TRUE(T.FAdvancedNaming && T.FSaveDirToFirstVolume);
    EXPECT_EQ(T.FFirstVolumeSize, 5);
    EXPECT_EQ(T.FVolumeSize, vs700MB);
    EXPECT_EQ(T.FCustomVolumeSize, 100000);
    T.Assign(A); // a different kind of object is ignored
    EXPECT_EQ(T.FVolumeSize, vs700MB);
}

TEST(CurrentVersion, IgnoresAssignments) {
    TKestrel K;
    K.SetCurrentVersionText(u"9.99 Pro");
    EXPECT_EQ(K.GetCurrentVersionText(), u"5.01 ");
}

TEST(Masks, SettersCopyTheList) {
    TKestrel K;
    TKSStringList L;
    L.Add(u"*.txt");
    L.Add(u"*.doc");
    K.SetFileMasks(L);
    K.SetExclusionMasks(L);
    L.Clear();
    EXPECT_EQ(K.FileMasks()->Count(), 2);
    EXPECT_EQ((*K.ExclusionMasks())[1], u"*.doc");
    EXPECT_EQ(K.NoCompressionMasks()->Count(), 0);
}

// ---- opening and closing ------------------------------------------------------------------------

TEST(Open, MissingFileIsCreatedAndLeftAsEmptyArchive) {
    TempDir D;
    const fs::path P = D.Path() / "new.zip";
    TKestrel K;
    int AfterOpen = 0;
    K.FAfterOpen = [&](TComponent* Sender) {
        EXPECT_EQ(Sender, &K);
        ++AfterOpen;
    };
    K.SetFileName(P.u16string());
    K.OpenArchive();
    EXPECT_TRUE(K.Active());
    EXPECT_EQ(K.FileOpenMode, KSOpenModeCreate);
    EXPECT_EQ(AfterOpen, 1);
    K.CloseArchive();
    EXPECT_FALSE(K.Active());
    EXPECT_EQ(test::ReadFileBytes(P), EmptyArchive);

    // It opens again as an empty archive, now read-write.
    K.OpenArchive();
    EXPECT_TRUE(K.Active());
    EXPECT_EQ(K.FileOpenMode, KSOpenModeReadWrite);
    EXPECT_EQ(ItemCount(K), 0);
    EXPECT_EQ(K.DMHandle->StubSize, 0);
    EXPECT_EQ(AfterOpen, 2);
    K.CloseArchive();
    EXPECT_EQ(test::ReadFileBytes(P), EmptyArchive); // closing an existing archive writes nothing
}

TEST(Open, ExistingArchiveHeldForWritingOpensReadOnly) {
    TempDir D;
    const fs::path P = D.Write("held.zip", TwoItemArchive());
    TKSFileStream Holder(P.u16string(), KSOpenModeReadWrite); // another opener denies writing
    TKestrel K;
    K.SetFileName(P.u16string());
    K.OpenArchive();
    EXPECT_EQ(K.FileOpenMode, KSOpenModeReadOnly);
    EXPECT_EQ(ItemCount(K), 2);
}

TEST(Open, ReopeningClosesTheFirstArchive) {
    TempDir D;
    const fs::path P1 = D.Write("one.zip", TwoItemArchive());
    ZipWriter W;
    W.AddFile("only.txt", "x");
    const fs::path P2 = D.Write("two.zip", W.Finish());
    TKestrel K;
    K.SetFileName(P1.u16string());
    K.OpenArchive();
    K.SetFileName(P2.u16string());
    K.OpenArchive();
    EXPECT_EQ(ItemCount(K), 1);
}

struct OpenErrorCase {
    const char* Title;
    int Native;
    std::function<void(TKestrel&, const TempDir&)> Action;
};

class OpenErrorTable : public ::testing::TestWithParam<OpenErrorCase> {};

TEST_P(OpenErrorTable, RaisesAndStaysClosed) {
    TempDir D;
    TKestrel K;
    K.SetName("Kestrel");
    int AfterOpen = 0;
    K.FAfterOpen = [&](TComponent*) { ++AfterOpen; };
    std::string Message;
    EXPECT_EQ(NativeErrorOf([&] { GetParam().Action(K, D); }, &Message), GetParam().Native)
        << GetParam().Title;
    char Tail[32];
    std::snprintf(Tail, sizeof(Tail), " - Native error: %05d", GetParam().Native);
    EXPECT_TRUE(Message.ends_with(Tail)) << Message;
    EXPECT_FALSE(K.Active());
    EXPECT_EQ(K.DMHandle, nullptr);
    EXPECT_EQ(K.FCompressedStream, nullptr);
    EXPECT_EQ(AfterOpen, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, OpenErrorTable,
    ::testing::Values(
        OpenErrorCase{"no file name part, mode chosen", 9,
                      [](TKestrel& K, const TempDir& D) {
                          K.SetFileName((D.Path() / "").u16string());
                          K.OpenArchive();
                      }},
        OpenErrorCase{"no file name part, mode given", 10,
                      [](TKestrel& K, const TempDir&) {
                          K.SetFileName(u"");
                          K.OpenArchive(KSOpenModeReadOnly);
                      }},
        OpenErrorCase{"missing file opened read-only", 12,
                      [](TKestrel& K, const TempDir& D) {
                          K.SetFileName((D.Path() / "missing.zip").u16string());
                          K.OpenArchive(KSOpenModeReadOnly);
                      }},
        OpenErrorCase{"in memory with a mode other than create", 28,
                      [](TKestrel& K, const TempDir& D) {
                          K.SetFileName(D.Write("a.zip", EmptyArchive).u16string());
                          K.SetInMemory(true);
                          K.OpenArchive(KSOpenModeReadWrite);
                      }},
        OpenErrorCase{"trailing bytes with OpenCorruptedArchives off", 48,
                      [](TKestrel& K, const TempDir& D) {
                          K.SetFileName(
                              D.Write("t.zip", test::AppendTrailing(TwoItemArchive(), 10)).u16string());
                          K.SetOpenCorruptedArchives(false);
                          K.OpenArchive();
                      }},
        OpenErrorCase{"garbage that holds no local header", 35,
                      [](TKestrel& K, const TempDir& D) {
                          K.SetFileName(D.Write("g.zip", test::NoiseBytes(5000, 7)).u16string());
                          K.OpenArchive();
                      }},
        OpenErrorCase{"an operation that needs an open archive", 13,
                      [](TKestrel& K, const TempDir&) { K.CheckInactive(); }}),
    [](const ::testing::TestParamInfo<OpenErrorCase>& Info) {
        return "Native" + std::to_string(Info.param.Native);
    });

TEST(Open, MissingFileMessageNamesTheFile) {
    TempDir D;
    TKestrel K;
    K.SetName("Kestrel");
    const fs::path P = D.Path() / "nope.zip";
    K.SetFileName(P.u16string());
    std::string Message;
    ASSERT_EQ(NativeErrorOf([&] { K.OpenArchive(KSOpenModeReadOnly); }, &Message), 12);
    EXPECT_EQ(Message, "Kestrel: File \"" + P.string() + "\" not found - Native error: 00012");
    EXPECT_FALSE(fs::exists(P)); // nothing was created
}

TEST(Open, DamagedArchiveRebuiltWhenAllowed) {
    TempDir D;
    TKestrel K;
    K.SetFileName(D.Write("t.zip", test::AppendTrailing(TwoItemArchive(), 10)).u16string());
    K.OpenArchive();
    EXPECT_TRUE(K.Active());
    EXPECT_EQ(ItemCount(K), 2);
    EXPECT_TRUE(K.OpenCorruptedArchives()); // restored after detection
}

TEST(Open, SpanningModeSetBeforehandSkipsTheMissingFileCheck) {
    TempDir D;
    TKestrel K;
    const fs::path P = D.Path() / "disk.zip";
    K.SetFileName(P.u16string());
    K.SetSpanningMode(smSpanning);
    // No native 12: opening goes on to the volume, whose file cannot be opened on a fixed drive.
    EXPECT_THROW(K.OpenArchive(KSOpenModeReadOnly), EFOpenError);
    EXPECT_FALSE(K.Active());
    EXPECT_FALSE(fs::exists(P));
}

TEST(Open, SpanningModeCannotChangeWhileOpen) {
    TempDir D;
    TKestrel K;
    K.SetFileName(D.Write("a.zip", TwoItemArchive()).u16string());
    K.OpenArchive();
    try {
        K.SetSpanningMode(smSplitting);
        FAIL() << "no exception";
    } catch (const EKSException&) {
        FAIL() << "must be the general exception, not the engine's";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message, "Cannot set spanning mode on open archive");
    }
    EXPECT_EQ(K.SpanningMode(), smNone);
    K.CloseArchive();
    K.SetSpanningMode(smSplitting);
    EXPECT_EQ(K.SpanningMode(), smSplitting);
}

// ---- self-extracting archives -------------------------------------------------------------------

struct SfxNameCase {
    const char16_t* Name;
    bool Expected;
};

class SfxNameTable : public ::testing::TestWithParam<SfxNameCase> {};

TEST_P(SfxNameTable, ExtensionContainsExe) {
    EXPECT_EQ(TKSBaseArchiver::IsSFXArchive(GetParam().Name), GetParam().Expected)
        << WideToUtf8(GetParam().Name);
}

INSTANTIATE_TEST_SUITE_P(Names, SfxNameTable,
                         ::testing::Values(SfxNameCase{u"setup.exe", true}, SfxNameCase{u"SETUP.EXE", true},
                                           SfxNameCase{u"setup.exe1", true}, SfxNameCase{u"setup.exec", true},
                                           SfxNameCase{u"setup.zip", false}, SfxNameCase{u"setup.ex", false},
                                           SfxNameCase{u"setup", false}, SfxNameCase{u"a.exe.zip", false},
                                           SfxNameCase{u"dir.exe/a.zip", false},
                                           SfxNameCase{u"dir.exe\\a", false}));

TEST(Sfx, StubbedArchiveOpensThroughTheSfxPath) {
    TempDir D;
    ZipWriter W;
    W.SetStub(test::NoiseBytes(40000, 3));
    W.AddFile("inside.txt", "payload");
    const Bytes Archive = W.Finish();
    for (const char* Name : {"setup.EXE", "setup.zip"}) {
        TKestrel K;
        K.SetFileName(D.Write(Name, Archive).u16string());
        K.OpenArchive();
        EXPECT_EQ(ItemCount(K), 1) << Name;
        EXPECT_EQ(K.SpanningMode(), smNone) << Name;
        EXPECT_EQ(K.DMHandle->StubSize, 40000) << Name;
    }
}

TEST(Sfx, StubWithoutArchiveFallsBackToRebuildOrNative48) {
    TempDir D;
    ZipWriter W;
    W.SetStub(test::NoiseBytes(3000, 4));
    W.AddFile("inside.txt", "payload");
    W.AddFile("second.txt", "more");
    const fs::path P = D.Write("setup.exe", test::CutTail(W.Finish(), 5));
    TKestrel K;
    K.SetFileName(P.u16string());
    K.OpenArchive();
    EXPECT_EQ(ItemCount(K), 2);
    EXPECT_EQ(K.SpanningMode(), smNone);
    K.CloseArchive();
    K.SetOpenCorruptedArchives(false);
    EXPECT_EQ(NativeErrorOf([&] { K.OpenArchive(); }), 48);
    EXPECT_FALSE(K.OpenCorruptedArchives());
}

TEST(Sfx, NewArchiveWithStubIsClosedAsAValidEmptyArchive) {
    TempDir D;
    const Bytes Stub = test::NoiseBytes(1500, 9);
    const fs::path StubFile = D.Write("stub.bin", Stub);
    const fs::path P = D.Path() / "new.exe";
    TKestrel K;
    K.SetSFXStub(StubFile.u16string());
    K.SetFileName(P.u16string());
    K.OpenArchive();
    K.CloseArchive();
    Bytes Expected = Stub;
    Bytes End = EmptyArchive;
    End[16] = static_cast<uint8_t>(Stub.size() & 0xFF); // offsetStartDir: the directory follows the stub
    End[17] = static_cast<uint8_t>(Stub.size() >> 8);
    Expected.insert(Expected.end(), End.begin(), End.end());
    EXPECT_EQ(test::ReadFileBytes(P), Expected);
    K.SetSFXStub(u"");
    K.OpenArchive();
    EXPECT_EQ(ItemCount(K), 0);
}

// ---- in-memory archives -------------------------------------------------------------------------

TEST(InMemory, ClosedComponentOnlyStoresTheFlag) {
    TKestrel K;
    K.SetInMemory(true);
    EXPECT_TRUE(K.InMemory());
    EXPECT_FALSE(K.Active());
    K.OpenArchive(); // always created new; no file name needed
    EXPECT_TRUE(K.Active());
    EXPECT_EQ(K.FileOpenMode, KSOpenModeCreate);
    EXPECT_EQ(ItemCount(K), 0);
}

TEST(InMemory, OpenFileArchiveSwitchedToMemoryIsEmpty) {
    TempDir D;
    const Bytes Archive = TwoItemArchive();
    const fs::path P = D.Write("a.zip", Archive);
    TKestrel K;
    K.SetFileName(P.u16string());
    K.OpenArchive();
    K.SetInMemory(true);
    EXPECT_TRUE(K.Active());
    EXPECT_TRUE(K.InMemory());
    EXPECT_EQ(ItemCount(K), 0);
    K.CloseArchive();
    EXPECT_EQ(test::ReadFileBytes(P), Archive); // the file keeps its contents
}

TEST(InMemory, OpenMemoryArchiveSwitchedToFileIsWrittenAndReopened) {
    TempDir D;
    const fs::path P = D.Path() / "saved.zip";
    TKestrel K;
    K.SetInMemory(true);
    K.OpenArchive();
    K.SetFileName(P.u16string());
    K.SetInMemory(false);
    EXPECT_FALSE(K.InMemory());
    EXPECT_TRUE(K.Active());
    EXPECT_EQ(K.FileOpenMode, KSOpenModeReadWrite);
    EXPECT_EQ(ItemCount(K), 0);
    K.CloseArchive();
    EXPECT_EQ(test::ReadFileBytes(P), EmptyArchive);
}

TEST(InMemory, MemoryArchiveWithStubIsWrittenWithItsEndRecord) {
    TempDir D;
    const Bytes Stub = test::NoiseBytes(700, 2);
    TKestrel K;
    K.SetSFXStub(D.Write("stub.bin", Stub).u16string());
    K.SetInMemory(true);
    K.OpenArchive();
    const fs::path P = D.Path() / "saved.exe";
    K.SetFileName(P.u16string());
    K.SetInMemory(false);
    EXPECT_TRUE(K.Active());
    EXPECT_EQ(ItemCount(K), 0);
    const Bytes Written = test::ReadFileBytes(P);
    ASSERT_EQ(Written.size(), Stub.size() + 22);
    EXPECT_TRUE(std::equal(Stub.begin(), Stub.end(), Written.begin()));
    EXPECT_EQ(Written[Stub.size()], 0x50);
    EXPECT_EQ(Written[Stub.size() + 3], 0x06);
}

TEST(InMemory, SwitchingToFileWithoutFileNameRaises29) {
    TKestrel K;
    K.SetInMemory(true);
    K.OpenArchive();
    EXPECT_EQ(NativeErrorOf([&] { K.SetInMemory(false); }), 29);
    EXPECT_TRUE(K.InMemory());
    EXPECT_TRUE(K.Active());
}

// ---- volume names and spanning detection --------------------------------------------------------

struct VolumeNameCase {
    TKSSpanningMode Mode;
    bool Advanced;
    bool Stub; // SFXStub set
    const char16_t* Name;
    int32_t Volume;
    const char16_t* Expected;
};

class VolumeNameTable : public ::testing::TestWithParam<VolumeNameCase> {};

TEST_P(VolumeNameTable, DefaultName) {
    const VolumeNameCase& C = GetParam();
    TKestrel K;
    K.SetSpanningMode(C.Mode);
    K.SpanningOptions()->SetAdvancedNaming(C.Advanced);
    if (C.Stub)
        K.SetSFXStub(u"stub.exe");
    TKSString Name = C.Name;
    K.MakeDefaultVolumeName(Name, C.Volume, false);
    EXPECT_EQ(WideToUtf8(Name), WideToUtf8(C.Expected));
}

INSTANTIATE_TEST_SUITE_P(
    Names, VolumeNameTable,
    ::testing::Values(VolumeNameCase{smSplitting, false, false, u"d/x.zip", 0, u"d/x.Z01"},
                      VolumeNameCase{smSplitting, false, false, u"d/x.zip", 1, u"d/x.Z02"},
                      VolumeNameCase{smSplitting, false, false, u"d/x.zip", 99, u"d/x.Z100"},
                      VolumeNameCase{smSplitting, false, false, u"d/x.zip", -1, u"d/x.zip"},
                      VolumeNameCase{smSplitting, true, false, u"d/x.zip", 0, u"d/x_001.zip"},
                      VolumeNameCase{smSplitting, true, false, u"d/x.zip", 1, u"d/x_002.zip"},
                      VolumeNameCase{smSplitting, true, false, u"d/x.zip", -1, u"d/x.zip"},
                      VolumeNameCase{smSplitting, false, false, u"d/a.exe", 0, u"d/a.exe"},
                      VolumeNameCase{smSplitting, false, false, u"d/a.exe", 1, u"d/a.Z02"},
                      VolumeNameCase{smSplitting, false, false, u"d/a.exe", -1, u"d/a.ZIP"},
                      VolumeNameCase{smSplitting, false, true, u"d/x.zip", 0, u"d/x.exe"},
                      VolumeNameCase{smSplitting, false, true, u"d/x.zip", -1, u"d/x.ZIP"},
                      VolumeNameCase{smSpanning, false, false, u"d/x.zip", 0, u"d/x.zip"},
                      VolumeNameCase{smSpanning, false, false, u"d/x.zip", 4, u"d/x.zip"},
                      VolumeNameCase{smSpanning, true, false, u"d/x.zip", 0, u"d/x_001.zip"},
                      VolumeNameCase{smSpanning, true, false, u"d/x.zip", 3, u"d/x_004.zip"},
                      VolumeNameCase{smSpanning, true, false, u"d/x.zip", -1, u"d/x.zip"},
                      VolumeNameCase{smSpanning, false, true, u"d/x.zip", 2, u"d/x.exe"},
                      VolumeNameCase{smSpanning, true, false, u"d/a.exe", 0, u"d/a_001.exe"},
                      VolumeNameCase{smNone, true, true, u"d/x.zip", 3, u"d/x.zip"}));

TEST(VolumeNames, SpanningTriesTheOtherNamingWhenAskedToCheck) {
    TempDir D;
    D.Write("x_002.zip", EmptyArchive);
    TKestrel K;
    K.SetSpanningMode(smSpanning);
    TKSString Name = (D.Path() / "x.zip").u16string();
    K.MakeDefaultVolumeName(Name, 1, true);
    EXPECT_EQ(Name, (D.Path() / "x_002.zip").u16string()); // only the numbered one exists
    Name = (D.Path() / "x.zip").u16string();
    K.MakeDefaultVolumeName(Name, 2, true);
    EXPECT_EQ(Name, (D.Path() / "x.zip").u16string()); // neither exists: the first result stands
    Name = (D.Path() / "x.zip").u16string();
    K.MakeDefaultVolumeName(Name, 1, false);
    EXPECT_EQ(Name, (D.Path() / "x.zip").u16string());
}

struct DetectCase {
    const char* Title;
    bool WriteRecord;
    uint16_t Disk;
    std::vector<const char*> Beside; // files next to the archive
    const char* ArchiveName;
    TKSSpanningMode Expected;
    bool AdvancedAfter;
};

class DetectSpanningTable : public ::testing::TestWithParam<DetectCase> {};

TEST_P(DetectSpanningTable, DecidesFromTheEndRecord) {
    const DetectCase& C = GetParam();
    TempDir D;
    for (const char* B : C.Beside)
        D.Write(B, EmptyArchive);
    Bytes Tail = EmptyArchive;
    Tail[4] = static_cast<uint8_t>(C.Disk);
    if (!C.WriteRecord)
        Tail = test::NoiseBytes(100, 5);
    const fs::path P = D.Write(C.ArchiveName, Tail);
    TKestrel K;
    K.SetFileName(P.u16string());
    K.SetOpenCorruptedArchives(false);
    TMemoryStream S;
    S.WriteBuffer(Tail.data(), static_cast<int64_t>(Tail.size()));
    K.DMHandle = new TKSDirManager(&S, &K, false);
    EXPECT_EQ(K.DMHandle->HasCentralDirEnd(), C.WriteRecord);
    K.DetectSpanning();
    EXPECT_EQ(K.SpanningMode(), C.Expected) << C.Title;
    EXPECT_EQ(K.SpanningOptions()->AdvancedNaming(), C.AdvancedAfter) << C.Title;
    delete K.DMHandle;
    K.DMHandle = nullptr;
}

INSTANTIATE_TEST_SUITE_P(
    Records, DetectSpanningTable,
    ::testing::Values(
        DetectCase{"no record on a fixed drive", false, 0, {}, "x.zip", smNone, false},
        DetectCase{"record on disk 0", true, 0, {}, "x.zip", smNone, false},
        DetectCase{"disk 2 with x.Z02 beside", true, 2, {"x.Z02"}, "x.zip", smSplitting, false},
        DetectCase{"disk 2 with x_002.zip beside", true, 2, {"x_002.zip"}, "x.zip", smSplitting, true},
        DetectCase{"disk 2 with no volume beside", true, 2, {}, "x.zip", smSpanning, false},
        DetectCase{"disk 2 of a self-extractor with no volume", true, 2, {}, "x.exe", smNone, false}),
    [](const ::testing::TestParamInfo<DetectCase>& Info) { return "Case" + std::to_string(Info.index); });

TEST(DetectSpanning, RemovableDriveWithoutRecordMeansSpanning) {
    TempDir D;
    KSDeclareRemovableFolder(D.WidePath());
    const fs::path P = D.Write("x.zip", test::NoiseBytes(100, 5));
    TKestrel K;
    K.SetFileName(P.u16string());
    K.SetOpenCorruptedArchives(false);
    TMemoryStream S;
    const Bytes Noise = test::NoiseBytes(100, 5);
    S.WriteBuffer(Noise.data(), static_cast<int64_t>(Noise.size()));
    K.DMHandle = new TKSDirManager(&S, &K, false);
    K.DMHandle->HasCentralDirEnd();
    K.DetectSpanning();
    EXPECT_EQ(K.SpanningMode(), smSpanning);
    delete K.DMHandle;
    K.DMHandle = nullptr;
    KSWithdrawRemovableFolder(D.WidePath());
}

// ---- properties by name -------------------------------------------------------------------------

TEST(Properties, InstallerLayoutApplies) {
    const std::pair<const char*, const char*> Layout[] = {
        {"ExtractCorruptedFiles", "False"},
        {"CompressionLevel", "clFastest"},
        {"CompressionMode", "1"},
        {"SpanningMode", "smNone"},
        {"SpanningOptions.AdvancedNaming", "False"},
        {"SpanningOptions.VolumeSize", "vsAutoDetect"},
        {"Options.ShareMode", "smShareCompat"},
        {"Options.FlushBuffers", "True"},
        {"Options.OEMFileNames", "True"},
        {"InMemory", "False"},
        {"Zip64Mode", "zmDisabled"},
        {"UnicodeFilenames", "True"},
        {"EncryptionMethod", "caPkzipClassic"},
        {"CurrentVersion", "5.01 "},
    };
    TKestrel K;
    for (const auto& [Name, Value] : Layout) {
        KSSetPropertyByName(K, Name, Value);
        EXPECT_EQ(KSGetPropertyByName(K, Name), Value) << Name;
    }
    EXPECT_EQ(K.Options()->ShareMode(), smShareCompat);
}

TEST(Properties, ValuesGoThroughTheSetters) {
    TKestrel K;
    KSSetPropertyByName(K, "compressionlevel", "clNormal"); // names ignore case
    EXPECT_EQ(K.CompressionMode(), 6);
    KSSetPropertyByName(K, "CompressionMode", "0");
    EXPECT_EQ(K.CompressionLevel(), clNone);
    EXPECT_EQ(NativeErrorOf([&] { KSSetPropertyByName(K, "CompressionMode", "10"); }), 5);
    KSSetPropertyByName(K, "Options.OverwriteMode", "3"); // ordinals work too
    EXPECT_EQ(K.Options()->OverwriteMode(), omIfNewer);
    KSSetPropertyByName(K, "SpanningOptions.CustomVolumeSize", "1000");
    EXPECT_EQ(K.SpanningOptions()->CustomVolumeSize(), 65536);
    KSSetPropertyByName(K, "CurrentVersion", "7.00 ");
    EXPECT_EQ(KSGetPropertyByName(K, "CurrentVersion"), "5.01 ");
    KSSetPropertyByName(K, "FileName", "d/ő.zip");
    EXPECT_EQ(K.FileName(), u"d/ő.zip");
    KSSetPropertyByName(K, "FileMasks", "*.txt\n*.doc\n");
    EXPECT_EQ(K.FileMasks()->Count(), 2);
    EXPECT_EQ(KSGetPropertyByName(K, "FileMasks"), "*.txt\n*.doc");
    KSSetPropertyByName(K, "Options.SearchAttr", "-1");
    EXPECT_EQ(K.Options()->SearchAttr(), -1);
}

TEST(Properties, RejectsUnknownNamesAndBadValues) {
    TKestrel K;
    const std::pair<const char*, const char*> Bad[] = {
        {"NoSuchProperty", "1"},    {"Options.Recurse", "maybe"},  {"CompressionLevel", "clTurbo"},
        {"CompressionLevel", "4"},  {"Options.SearchAttr", "12x"}, {"CompressionMode", "300"},
        {"Options.SearchAttr", ""}, {"SpanningOptions", "x"}};
    for (const auto& [Name, Value] : Bad) {
        EXPECT_THROW(KSSetPropertyByName(K, Name, Value), Exception) << Name << " = " << Value;
    }
    EXPECT_EQ(K.CompressionLevel(), clFastest);
    TKSBaseArchiver B;
    EXPECT_THROW(KSSetPropertyByName(B, "Zip64Mode", "zmAlways"), Exception); // a TKestrel property
    EXPECT_EQ(KSPublishedPropertyNames(B).size() + 3, KSPublishedPropertyNames(K).size());
}

TEST(Properties, EveryPublishedPropertyRoundTrips) {
    TKestrel K, Copy;
    K.SetCompressionLevel(clMax);
    K.Options()->SetOverwriteMode(omNever);
    K.SpanningOptions()->SetVolumeSize(vs650MB);
    K.SetBaseDir(u"base");
    K.SetEncryptionMethod(caAES_192);
    K.SpanningOptions()->SetCustomVolumeSize(100000);
    for (const AnsiString& Name : KSPublishedPropertyNames(K))
        KSSetPropertyByName(Copy, Name, KSGetPropertyByName(K, Name));
    for (const AnsiString& Name : KSPublishedPropertyNames(K))
        EXPECT_EQ(KSGetPropertyByName(Copy, Name), KSGetPropertyByName(K, Name)) << Name;
}

} // namespace
} // namespace ks
