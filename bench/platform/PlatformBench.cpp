// PlatformBench.cpp -- the platform calls that run once per item or once per block.
#include <benchmark/benchmark.h>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/KSFiles.h"
#include "platform/KSStreams.h"
#include "platform/KSStrings.h"

namespace ks {
namespace {

// A typical stored name in code page 852: a folder, Hungarian letters, an extension.
const std::string kOemName =
    "Dokumentumok/\x8B\x8A\xFB\xEB\xA0 \x82s \xA1r\xA2s\x94\xA3\x81 leveleim/jelent\x82s_2024.docx";

void BM_OemNameToWide(benchmark::State& State) {
    KSSetOemCodePage(852);
    KSSetAnsiCodePage(1250);
    for (auto _ : State) {
        std::string Buf = kOemName;
        KSOemToAnsiBuff(Buf);
        benchmark::DoNotOptimize(KSAnsiToWide(Buf));
    }
    State.SetItemsProcessed(State.iterations());
}
BENCHMARK(BM_OemNameToWide);

void BM_WideToUtf8Path(benchmark::State& State) {
    const TKSString Name = KSCodePageToWide(kOemName, 852);
    for (auto _ : State)
        benchmark::DoNotOptimize(KSToNativePath(Name));
    State.SetItemsProcessed(State.iterations());
}
BENCHMARK(BM_WideToUtf8Path);

void BM_LowerCaseName(benchmark::State& State) {
    const TKSString Name = KSCodePageToWide(kOemName, 852);
    for (auto _ : State)
        benchmark::DoNotOptimize(KSLowerCase(Name));
    State.SetItemsProcessed(State.iterations());
}
BENCHMARK(BM_LowerCaseName);

void BM_CompareTextEqual(benchmark::State& State) {
    const TKSString A = KSCodePageToWide(kOemName, 852), B = KSUpperCase(A);
    for (auto _ : State)
        benchmark::DoNotOptimize(KSCompareText(A, B));
    State.SetItemsProcessed(State.iterations());
}
BENCHMARK(BM_CompareTextEqual);

std::string ScratchFile(const char* Name) {
    std::filesystem::create_directories(KS_BENCH_DIR);
    return std::string(KS_BENCH_DIR) + "/" + Name;
}

// Writing extracted data in the engine's 1 MiB blocks.
void BM_FileStreamWrite1MiB(benchmark::State& State) {
    const TKSString Name = Utf8ToWide(ScratchFile("big.bin"));
    std::vector<char> Block(1 << 20, 'x');
    for (auto _ : State) {
        TKSFileStream F(Name, fmCreate);
        for (int I = 0; I < 16; ++I)
            F.WriteBuffer(Block.data(), static_cast<int64_t>(Block.size()));
    }
    State.SetBytesProcessed(State.iterations() * 16 * static_cast<int64_t>(Block.size()));
    KSDeleteFile(Name.c_str());
}
BENCHMARK(BM_FileStreamWrite1MiB)->Unit(benchmark::kMillisecond);

// One small extracted file: create, write, set time, close, apply attributes.
void BM_ExtractSmallFile(benchmark::State& State) {
    const bool UnixMode = State.range(0) != 0;
    const TKSString Name = Utf8ToWide(ScratchFile("small.txt"));
    int32_t Dos = 0;
    KSEncodeDosDateTime({2024, 5, 6, 7, 8, 10}, Dos);
    for (auto _ : State) {
        {
            TKSFileStream F(Name, fmCreate);
            F.WriteBuffer("hello\n", 6);
            F.SetDosDateTime(Dos);
        }
        if (UnixMode)
            KSApplyStoredAttributes(Name, 0100755u << 16, KSHostUnix);
        else
            KSApplyStoredAttributes(Name, 0, 0);
    }
    State.SetItemsProcessed(State.iterations());
    KSDeleteFile(Name.c_str());
}
BENCHMARK(BM_ExtractSmallFile)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_FileExists(benchmark::State& State) {
    const TKSString Name = Utf8ToWide(ScratchFile("exists.txt"));
    { TKSFileStream F(Name, fmCreate); }
    for (auto _ : State)
        benchmark::DoNotOptimize(KSFileExists(Name));
    KSDeleteFile(Name.c_str());
}
BENCHMARK(BM_FileExists);

} // namespace
} // namespace ks

namespace ks {
namespace {

// Asked once per extracted file when flushing is on (the default).
void BM_IsRemovableDrive(benchmark::State& State) {
    const TKSString Name = Utf8ToWide(ScratchFile("out/sub/file.txt"));
    for (auto _ : State)
        benchmark::DoNotOptimize(IsRemovableDrive(Name));
    State.SetItemsProcessed(State.iterations());
}
BENCHMARK(BM_IsRemovableDrive);

} // namespace
} // namespace ks
