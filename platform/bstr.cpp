// bstr.cpp - what the library adds to the platform's BSTR allocator.
#include "platform/bstr.h"

#include <new>

BSTR AllocBstrOrThrow(const OLECHAR* text, unsigned int length) {
    BSTR b = SysAllocStringLen(text, length);
    if (b == nullptr) {
        throw std::bad_alloc();
    }
    return b;
}
