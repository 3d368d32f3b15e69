// msxml_slot.h - the vtable slot a pointer to a virtual member function names. In the Itanium C++
// ABI (mingw-w64's) such a pointer holds 1 + the slot's byte offset. For msxml_test.cpp.
#pragma once

#include <cstddef>
#include <cstring>

template <class F>
int SlotOf(F f) {
    std::ptrdiff_t raw = 0;
    std::memcpy(&raw, &f, sizeof raw);
    return static_cast<int>((raw - 1) / static_cast<std::ptrdiff_t>(sizeof(void*)));
}
