// KSCpuFeatures.h -- which hardware paths the crypto code may use.
//
// The SHA-1 and AES code uses the CPU's SHA and AES instructions when the processor has them
// and falls back to portable code otherwise; both produce identical results. Tests and
// benchmarks switch the hardware paths off to exercise the portable code.
#pragma once

namespace ks {

struct TCryptoAcceleration {
    bool Sha = false; // SHA-1 compression with the SHA instructions
    bool Aes = false; // AES rounds with the AES instructions
};

// What this processor offers (detected once).
TCryptoAcceleration CryptoAccelerationAvailable();

// What is in use now: initially everything available.
TCryptoAcceleration CryptoAccelerationInUse();

// Selects the paths to use; a path the processor lacks stays off. Returns the previous
// selection. Not synchronised: call it while no crypto work runs on other threads.
TCryptoAcceleration SetCryptoAcceleration(TCryptoAcceleration Wanted);

} // namespace ks
