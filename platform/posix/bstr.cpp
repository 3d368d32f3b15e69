// bstr.cpp - POSIX: the BSTR allocator the library exports (a 32-bit byte count, the UTF-16 text,
// a 16-bit NUL), as OLE Automation lays them out.
#include "platform/bstr.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace {

constexpr size_t kPrefix = sizeof(uint32_t);
// The byte count must fit in 32 bits.
constexpr unsigned int kMaxLength = (0xFFFFFFFFu - kPrefix - sizeof(OLECHAR)) / sizeof(OLECHAR) / 2;

size_t Length(const OLECHAR* text) {
    size_t n = 0;
    while (text[n] != 0) {
        ++n;
    }
    return n;
}

}  // namespace

extern "C" {

BSTR OLVANE_CALL SysAllocStringLen(const OLECHAR* text, unsigned int length) {
    if (length > kMaxLength) {
        return nullptr;
    }
    const size_t bytes = static_cast<size_t>(length) * sizeof(OLECHAR);
    // Through operator new, like every other allocation of the library, so that a test that fails
    // the N-th allocation reaches the strings too.
    auto* block = static_cast<unsigned char*>(
        ::operator new(kPrefix + bytes + sizeof(OLECHAR), std::nothrow));
    if (block == nullptr) {
        return nullptr;
    }
    const auto count = static_cast<uint32_t>(bytes);
    std::memcpy(block, &count, kPrefix);
    auto* chars = reinterpret_cast<OLECHAR*>(block + kPrefix);
    if (text != nullptr && length != 0) {
        std::memcpy(chars, text, bytes);
    } else if (length != 0) {
        std::memset(chars, 0, bytes);
    }
    chars[length] = 0;
    return chars;
}

BSTR OLVANE_CALL SysAllocString(const OLECHAR* text) {
    if (text == nullptr) {
        return nullptr;
    }
    const size_t n = Length(text);
    if (n > kMaxLength) {
        return nullptr;
    }
    return SysAllocStringLen(text, static_cast<unsigned int>(n));
}

void OLVANE_CALL SysFreeString(BSTR text) {
    if (text != nullptr) {
        ::operator delete(reinterpret_cast<unsigned char*>(text) - kPrefix);
    }
}

unsigned int OLVANE_CALL SysStringLen(BSTR text) {
    if (text == nullptr) {
        return 0;
    }
    uint32_t count = 0;
    std::memcpy(&count, reinterpret_cast<const unsigned char*>(text) - kPrefix, kPrefix);
    return count / sizeof(OLECHAR);
}

}  // extern "C"
