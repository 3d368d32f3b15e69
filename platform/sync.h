// sync.h - the platform's locks and interlocked counts: critical sections and the Interlocked
// family on Windows, a recursive mutex and compiler atomics elsewhere. Each backend's header says
// how; callers see the same names on both.
#pragma once

#if defined(_WIN32)
#include "platform/win32/sync_native.h"
#else
#include "platform/posix/sync_native.h"
#endif

#include <mutex>

namespace platform {

// Holds a lock for a scope.
template <class Lock>
using CSingleLock = std::lock_guard<Lock>;

}  // namespace platform
