// Speed of the crypto primitives on the hardware paths and on the portable code:
// PBKDF2-HMAC-SHA1 derivations as the AES entries need them (66 bytes, 1000 iterations),
// SHA-1 throughput and AES-256 counter-mode throughput. For comparison, the derivation is
// also timed the way that re-keys the HMAC at every iteration.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "crypto/KSCpuFeatures.h"
#include "crypto/KSPBKDF_2.h"
#include "crypto/KSRijndael.h"
#include "crypto/KShmac.h"
#include "crypto/KSsha1.h"

namespace {

using namespace ks;

// Selects the path for one benchmark; returns false (and marks the run skipped) when the
// processor lacks the instructions.
bool UsePath(benchmark::State& state, bool hardware) {
    const TCryptoAcceleration available = CryptoAccelerationAvailable();
    if (hardware && !available.Sha && !available.Aes) {
        state.SkipWithError("no SHA or AES instructions on this processor");
        return false;
    }
    SetCryptoAcceleration(hardware ? available : TCryptoAcceleration{false, false});
    return true;
}

const std::uint8_t Salt[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

void BM_Pbkdf2_66B_1000(benchmark::State& state) {
    if (!UsePath(state, state.range(0) != 0))
        return;
    const TPBKDF2 k("correct horse battery staple", Salt, 16, 1000);
    for (auto _ : state) {
        std::vector<std::uint8_t> key = k.GetKeyBytes(66);
        benchmark::DoNotOptimize(key.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Pbkdf2_66B_1000)->ArgName("hw")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// The derivation with the HMAC keyed anew at every iteration: four compressions per
// iteration and block instead of two.
void BM_Pbkdf2_66B_1000_Rekeying(benchmark::State& state) {
    if (!UsePath(state, state.range(0) != 0))
        return;
    const char* pw = "correct horse battery staple";
    const auto pLen = static_cast<std::uint16_t>(std::strlen(pw));
    for (auto _ : state) {
        std::uint8_t dk[80];
        for (std::uint32_t block = 1; block <= 4; ++block) {
            const std::uint8_t ctr[4] = {0, 0, 0, static_cast<std::uint8_t>(block)};
            std::uint8_t acc[20] = {};
            THashDigest u;
            for (int j = 1; j <= 1000; ++j) {
                THMAC_Context h;
                hmac_init(h, &SHA1_Desc, pw, pLen);
                if (j == 1) {
                    hmac_updateXL(h, Salt, 16);
                    hmac_updateXL(h, ctr, 4);
                } else {
                    hmac_updateXL(h, u.data(), 20);
                }
                hmac_final(h, u);
                for (int i = 0; i < 20; ++i)
                    acc[i] ^= u[static_cast<std::size_t>(i)];
            }
            std::memcpy(dk + 20 * (block - 1), acc, 20);
        }
        benchmark::DoNotOptimize(dk);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Pbkdf2_66B_1000_Rekeying)->ArgName("hw")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_Sha1_64KiB(benchmark::State& state) {
    if (!UsePath(state, state.range(0) != 0))
        return;
    std::vector<std::uint8_t> data(64 * 1024, 0x5A);
    for (auto _ : state) {
        THashDigest d;
        HashFullXL(&SHA1_Desc, d, data.data(), static_cast<std::int32_t>(data.size()));
        benchmark::DoNotOptimize(d.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(data.size()));
}
BENCHMARK(BM_Sha1_64KiB)->ArgName("hw")->Arg(1)->Arg(0);

void BM_Aes256Ctr_64KiB(benchmark::State& state) {
    if (!UsePath(state, state.range(0) != 0))
        return;
    std::uint8_t key[32];
    for (int i = 0; i < 32; ++i)
        key[i] = static_cast<std::uint8_t>(i);
    TCipher_Rijndael cipher(key, 32);
    cipher.SetMode(cmCTR);
    std::vector<std::uint8_t> data(64 * 1024, 0xA5);
    for (auto _ : state) {
        cipher.DecodeBuffer(data.data(), data.data(), static_cast<std::int32_t>(data.size()));
        benchmark::DoNotOptimize(data.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(data.size()));
}
BENCHMARK(BM_Aes256Ctr_64KiB)->ArgName("hw")->Arg(1)->Arg(0);

// One AES entry's key set-up: a fresh cipher from a 32-byte key.
void BM_Aes256KeySetup(benchmark::State& state) {
    if (!UsePath(state, state.range(0) != 0))
        return;
    std::uint8_t key[32] = {};
    for (auto _ : state) {
        TCipher_Rijndael cipher(key, 32);
        benchmark::DoNotOptimize(&cipher);
    }
}
BENCHMARK(BM_Aes256KeySetup)->ArgName("hw")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
