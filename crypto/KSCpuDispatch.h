// KSCpuDispatch.h -- the current hardware-path selection, read by the crypto code (crypto-internal).
#pragma once

namespace ks::cpudispatch {

// True while the SHA (resp. AES) instruction paths are selected. Before the selection is
// made at start-up both read false, which selects the portable code: results are the same.
extern bool UseShaNi;
extern bool UseAesNi;

} // namespace ks::cpudispatch
