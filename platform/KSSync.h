// KSSync.h -- the re-entrant critical section and the process-wide lock FCSect.
#pragma once

#include <mutex>

namespace ks {

// A re-entrant lock: the thread that holds it may enter again and must leave as often.
#ifdef _WIN32
// On Windows the system's critical section (kept opaque here, so that no system header is needed).
class TKSCriticalSection {
public:
    TKSCriticalSection();
    ~TKSCriticalSection();
    TKSCriticalSection(const TKSCriticalSection&) = delete;
    TKSCriticalSection& operator=(const TKSCriticalSection&) = delete;
    void Enter();
    void Leave();
    bool TryEnter();

private:
    alignas(16) unsigned char FSection[64];
};
#else
class TKSCriticalSection {
public:
    void Enter() { FMutex.lock(); }
    void Leave() { FMutex.unlock(); }
    bool TryEnter() { return FMutex.try_lock(); }

private:
    std::recursive_mutex FMutex;
};
#endif

// Enters on construction, leaves on destruction (every way out).
class TKSLockGuard {
public:
    explicit TKSLockGuard(TKSCriticalSection& CS) : FCS(CS) { FCS.Enter(); }
    ~TKSLockGuard() { FCS.Leave(); }
    TKSLockGuard(const TKSLockGuard&) = delete;
    TKSLockGuard& operator=(const TKSLockGuard&) = delete;

private:
    TKSCriticalSection& FCS;
};

// The one lock shared by every archive component of the process. It exists from the first call
// until the process ends (never destroyed, so no static-destruction order problem).
TKSCriticalSection& FCSect();

} // namespace ks
