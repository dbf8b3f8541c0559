// KSSync.cpp -- the process-wide lock.
#include "platform/KSSync.h"

namespace ks {

TKSCriticalSection& FCSect() {
    // Created on first use and never destroyed, so it stays usable while the process exits.
    static auto* CS = new TKSCriticalSection;
    return *CS;
}

} // namespace ks
