// WinPayload.h -- the application archive the installer carries as the RCDATA resource 1 of its
// own executable.
#pragma once

#include <cstdint>
#include <span>

namespace ks::win {

inline constexpr int PayloadResourceId = 1;

// The resource's bytes (they live as long as the module); empty when the resource is missing.
std::span<const uint8_t> PayloadResource();

} // namespace ks::win
