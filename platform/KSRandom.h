// KSRandom.h -- the process-wide pseudo-random source for salts.
//
// Salt bytes are uniform in 0..254 (255 never occurs). KSRandomize reseeds the source from the
// clock (mixed with a per-process counter, so two reseeds in one clock tick still differ). The
// source is not a cryptographic generator. Tests may install a source of their own.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ks {

class TKSRandomSource {
public:
    virtual ~TKSRandomSource() = default;
    virtual void Reseed() = 0;
    // One byte in 0..254.
    virtual uint8_t NextSaltByte() = 0;
};

// Reseeds the current source.
void KSRandomize();
// One byte in 0..254 from the current source.
uint8_t KSRandomSaltByte();
// Reseeds, then fills Buffer with Count bytes in 0..254 (the random-salt constructor's steps).
void KSRandomSalt(uint8_t* Buffer, std::size_t Count);

// Replaces the current source (not owned; it must outlive its use). nullptr restores the
// built-in clock-seeded source. Returns the previous installed source (nullptr for built-in).
TKSRandomSource* KSSetRandomSource(TKSRandomSource* Source);

} // namespace ks
