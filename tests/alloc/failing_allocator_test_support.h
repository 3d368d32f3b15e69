// failing_allocator_test_support.h - replaces the global operator new and delete so that a test
// can make any chosen allocation throw std::bad_alloc, and counts the blocks still live. Include
// it in one source file of a test binary only: it defines the replacements.
#pragma once

#include <cstdlib>
#include <new>

namespace failing_allocator {

inline thread_local long t_failAt = 0;  // the allocation that throws, counted from Arm; 0: none
inline thread_local long t_seen = 0;
inline thread_local bool t_failed = false;
inline long g_liveBlocks = 0;  // the test binaries that use this run one thread

// Makes the nth allocation from now (1 = the next one) throw.
inline void Arm(long n) {
    t_seen = 0;
    t_failed = false;
    t_failAt = n;
}

// Stops failing; returns how many allocations were seen since Arm.
inline long Disarm() {
    t_failAt = 0;
    return t_seen;
}

// Whether the armed allocation was reached.
inline bool Failed() {
    return t_failed;
}

inline void* Allocate(std::size_t n) {
    if (t_failAt != 0 && ++t_seen == t_failAt) {
        t_failed = true;
        throw std::bad_alloc();
    }
    void* p = std::malloc(n == 0 ? 1 : n);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    ++g_liveBlocks;
    return p;
}

inline void Deallocate(void* p) noexcept {
    if (p != nullptr) {
        --g_liveBlocks;
        std::free(p);
    }
}

}  // namespace failing_allocator

// Every form is replaced, so that the sanitizers never see a block cross allocators.
void* operator new(std::size_t n) {
    return failing_allocator::Allocate(n);
}
void* operator new[](std::size_t n) {
    return failing_allocator::Allocate(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return failing_allocator::Allocate(n);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t& tag) noexcept {
    return operator new(n, tag);
}
void operator delete(void* p) noexcept {
    failing_allocator::Deallocate(p);
}
void operator delete[](void* p) noexcept {
    failing_allocator::Deallocate(p);
}
void operator delete(void* p, std::size_t) noexcept {
    failing_allocator::Deallocate(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    failing_allocator::Deallocate(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    failing_allocator::Deallocate(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    failing_allocator::Deallocate(p);
}
