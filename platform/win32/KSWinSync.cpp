// KSWinSync.cpp -- TKSCriticalSection on the system's critical section.
#include "platform/KSSync.h"
#include "platform/win32/KSWinInternal.h"

namespace ks {

namespace {

CRITICAL_SECTION* Section(unsigned char* Storage) {
    static_assert(sizeof(CRITICAL_SECTION) <= 64 && alignof(CRITICAL_SECTION) <= 16,
                  "the storage in KSSync.h must hold a CRITICAL_SECTION");
    return reinterpret_cast<CRITICAL_SECTION*>(Storage);
}

} // namespace

TKSCriticalSection::TKSCriticalSection() {
    InitializeCriticalSection(Section(FSection));
}

TKSCriticalSection::~TKSCriticalSection() {
    DeleteCriticalSection(Section(FSection));
}

void TKSCriticalSection::Enter() {
    EnterCriticalSection(Section(FSection));
}

void TKSCriticalSection::Leave() {
    LeaveCriticalSection(Section(FSection));
}

bool TKSCriticalSection::TryEnter() {
    return TryEnterCriticalSection(Section(FSection)) != 0;
}

} // namespace ks
