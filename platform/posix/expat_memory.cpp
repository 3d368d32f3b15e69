// expat_memory.cpp - expat's allocator over operator new. Each block carries its size in front of
// it, for realloc.
#include "platform/posix/expat_memory.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

namespace platform::posix {
namespace {

constexpr size_t kBlockHeader = alignof(std::max_align_t);

thread_local unsigned t_allocationFailures = 0;

void* ExpatMalloc(size_t size) {
    if (size > SIZE_MAX - kBlockHeader) {
        ++t_allocationFailures;
        return nullptr;
    }
    auto* block = static_cast<unsigned char*>(::operator new(kBlockHeader + size, std::nothrow));
    if (block == nullptr) {
        ++t_allocationFailures;
        return nullptr;
    }
    std::memcpy(block, &size, sizeof size);
    return block + kBlockHeader;
}

void ExpatFree(void* p) {
    if (p != nullptr) {
        ::operator delete(static_cast<unsigned char*>(p) - kBlockHeader);
    }
}

void* ExpatRealloc(void* p, size_t size) {
    if (p == nullptr) {
        return ExpatMalloc(size);
    }
    void* moved = ExpatMalloc(size);
    if (moved == nullptr) {
        return nullptr;  // the old block stays valid, as with realloc
    }
    size_t old = 0;
    std::memcpy(&old, static_cast<unsigned char*>(p) - kBlockHeader, sizeof old);
    std::memcpy(moved, p, old < size ? old : size);
    ExpatFree(p);
    return moved;
}

}  // namespace

const XML_Memory_Handling_Suite kExpatMemory = {ExpatMalloc, ExpatRealloc, ExpatFree};

unsigned ExpatAllocationFailures() {
    return t_allocationFailures;
}

}  // namespace platform::posix
