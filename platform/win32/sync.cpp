// sync.cpp - critical sections and interlocked operations from kernel32.
#include <windows.h>

#include "platform/sync.h"

// <windows.h> makes the Interlocked names macros for the compiler's intrinsics; the platform's
// functions of the same names call those intrinsics.
#undef InterlockedIncrement
#undef InterlockedDecrement
#undef InterlockedCompareExchange

namespace platform {

static_assert(sizeof(CRITICAL_SECTION) <= sizeof(CCriticalSection) &&
                  alignof(CRITICAL_SECTION) <= alignof(CCriticalSection),
              "the critical section must fit inside the object");

namespace {
CRITICAL_SECTION* Section(unsigned char* storage) {
    return reinterpret_cast<CRITICAL_SECTION*>(storage);
}
}  // namespace

CCriticalSection::CCriticalSection() {
    ::InitializeCriticalSection(Section(m_Section));
}
CCriticalSection::~CCriticalSection() {
    ::DeleteCriticalSection(Section(m_Section));
}
void CCriticalSection::lock() {
    ::EnterCriticalSection(Section(m_Section));
}
void CCriticalSection::unlock() {
    ::LeaveCriticalSection(Section(m_Section));
}
bool CCriticalSection::try_lock() {
    return ::TryEnterCriticalSection(Section(m_Section)) != FALSE;
}

static_assert(sizeof(SRWLOCK) == sizeof(void*), "a slim reader/writer lock is one pointer");

void StaticLock::lock() {
    ::AcquireSRWLockExclusive(reinterpret_cast<SRWLOCK*>(&m_srw));
}
void StaticLock::unlock() {
    ::ReleaseSRWLockExclusive(reinterpret_cast<SRWLOCK*>(&m_srw));
}

long InterlockedIncrement(volatile long* value) {
    return ::_InterlockedIncrement(value);
}
long InterlockedDecrement(volatile long* value) {
    return ::_InterlockedDecrement(value);
}
long InterlockedCompareExchange(volatile long* value, long exchange, long comparand) {
    return ::_InterlockedCompareExchange(value, exchange, comparand);
}
long InterlockedRead(const volatile long* value) {
    // An interlocked operation that changes nothing: a full barrier around the read.
    return ::_InterlockedCompareExchange(const_cast<volatile long*>(value), 0, 0);
}

}  // namespace platform
