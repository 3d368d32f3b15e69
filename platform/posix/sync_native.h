// sync_native.h - POSIX: the critical section is a recursive mutex, the interlocked operations
// are the compiler's sequentially consistent atomics (full barriers, as on Windows).
#pragma once

#include <mutex>

namespace platform {

// A recursive lock; Lockable, so std::lock_guard and std::unique_lock take it.
class CCriticalSection {
  public:
    CCriticalSection() = default;
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    void lock() { m_Mutex.lock(); }
    void unlock() { m_Mutex.unlock(); }
    bool try_lock() { return m_Mutex.try_lock(); }

  private:
    std::recursive_mutex m_Mutex;
};

// A plain (not recursive) lock usable from static initialisation to static destruction: constant-
// initialised and trivially destroyed.
class StaticLock {
  public:
    constexpr StaticLock() = default;
    StaticLock(const StaticLock&) = delete;
    StaticLock& operator=(const StaticLock&) = delete;

    void lock() { m_mutex.lock(); }
    void unlock() { m_mutex.unlock(); }

  private:
    std::mutex m_mutex;
};

// Each returns the value it leaves (Increment, Decrement) or the value it found (CompareExchange).
inline long InterlockedIncrement(volatile long* value) {
    return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST);
}
inline long InterlockedDecrement(volatile long* value) {
    return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST);
}
inline long InterlockedCompareExchange(volatile long* value, long exchange, long comparand) {
    __atomic_compare_exchange_n(value, &comparand, exchange, false, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
    return comparand;
}
// A plain read that no other thread's interlocked write can tear.
inline long InterlockedRead(const volatile long* value) {
    return __atomic_load_n(value, __ATOMIC_SEQ_CST);
}

}  // namespace platform
