// sync_native.h - Windows: a CRITICAL_SECTION, a slim reader/writer lock and the Interlocked
// functions of kernel32. The
// section lives inside the object (its size is checked against <windows.h> in sync.cpp), so that
// no caller sees <windows.h> and creating one allocates nothing.
#pragma once

namespace platform {

// A recursive lock; Lockable, so std::lock_guard and std::unique_lock take it.
class CCriticalSection {
  public:
    CCriticalSection();
    ~CCriticalSection();
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    void lock();
    void unlock();
    bool try_lock();

  private:
    // sizeof(CRITICAL_SECTION): 24 bytes on 32-bit Windows, 40 on 64-bit.
    alignas(void*) unsigned char m_Section[sizeof(void*) == 4 ? 24 : 40];
};

// A plain (not recursive) lock usable from static initialisation to static destruction: a slim
// reader/writer lock, which is one pointer, all zero when free.
class StaticLock {
  public:
    constexpr StaticLock() = default;
    StaticLock(const StaticLock&) = delete;
    StaticLock& operator=(const StaticLock&) = delete;

    void lock();
    void unlock();

  private:
    void* m_srw = nullptr;
};

// Each returns the value it leaves (Increment, Decrement) or the value it found (CompareExchange).
long InterlockedIncrement(volatile long* value);
long InterlockedDecrement(volatile long* value);
long InterlockedCompareExchange(volatile long* value, long exchange, long comparand);
// A plain read that no other thread's interlocked write can tear.
long InterlockedRead(const volatile long* value);

}  // namespace platform
