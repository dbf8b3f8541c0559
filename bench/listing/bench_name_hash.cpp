// bench_name_hash.cpp -- how the name index spreads directory-like names, and what loading and
// looking up such a directory costs.
//
// Without arguments it prints the spread of 100,000 names d000/file000000.txt ... under HashOf and
// under the chains the value hash really uses. With Google Benchmark arguments (for example
// --benchmark_filter=.) it also runs the micro-benchmarks.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <unordered_set>
#include <vector>

#include "archive/KSDirArray.h"
#include "archive/KSStringHash.h"

namespace {

constexpr int KSNames = 100000;

std::vector<ks::TKSString> DirectoryNames() {
    std::vector<ks::TKSString> Names;
    Names.reserve(KSNames);
    char Buf[64];
    for (int i = 0; i < KSNames; ++i) {
        std::snprintf(Buf, sizeof Buf, "d%03d/file%06d.txt", i / 1000, i);
        Names.emplace_back(Buf, Buf + std::char_traits<char>::length(Buf));
    }
    return Names;
}

void PrintSpread() {
    const auto Names = DirectoryNames();
    ks::TKSStringHash Plain(KSNames);
    std::unordered_set<uint32_t> Distinct;
    std::vector<uint32_t> Chains(KSNames, 0);
    for (const auto& N : Names) {
        const uint32_t H = Plain.HashOf(N);
        Distinct.insert(H);
        ++Chains[H % KSNames];
    }
    const uint32_t PlainUsed =
        static_cast<uint32_t>(std::count_if(Chains.begin(), Chains.end(), [](uint32_t c) { return c > 0; }));
    const uint32_t PlainLongest = *std::max_element(Chains.begin(), Chains.end());

    ks::TKSHashedStringList List;
    for (const auto& N : Names)
        List.Add(N);
    (void)List.IndexOf(Names.front()); // builds the value hash: one bucket per entry
    uint32_t Used = 0, Longest = 0;
    List.HashStats(Used, Longest);

    std::printf("name hash spread over %d names and %d buckets:\n", KSNames, KSNames);
    std::printf("  HashOf:          %zu distinct values, %u buckets used, longest chain %u\n",
                Distinct.size(), PlainUsed, PlainLongest);
    std::printf(
        "  value hash:      %u buckets used, longest chain %u (uniform: about 63%% used, chains under 10)\n",
        Used, Longest);
}

void BM_NameDirectory(benchmark::State& State) {
    const auto Names = DirectoryNames();
    for (auto _ : State) {
        ks::TKSDirArray Dir;
        Dir.SetCount(KSNames);
        for (int i = 0; i < KSNames; ++i)
            Dir.SetItemName(i, Names[static_cast<size_t>(i)]);
        benchmark::DoNotOptimize(Dir.Count());
    }
    State.SetItemsProcessed(State.iterations() * KSNames);
}
BENCHMARK(BM_NameDirectory)->Unit(benchmark::kMillisecond);

void BM_IndexOfName(benchmark::State& State) {
    const auto Names = DirectoryNames();
    ks::TKSDirArray Dir;
    Dir.SetCount(KSNames);
    for (int i = 0; i < KSNames; ++i)
        Dir.SetItemName(i, Names[static_cast<size_t>(i)]);
    (void)Dir.IndexOfName(Names[0]);
    size_t k = 0;
    for (auto _ : State) {
        benchmark::DoNotOptimize(Dir.IndexOfName(Names[k]));
        k = (k + 7919) % Names.size();
    }
}
BENCHMARK(BM_IndexOfName);

} // namespace

int main(int argc, char** argv) {
    PrintSpread();
    if (argc > 1) {
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    }
    return 0;
}
