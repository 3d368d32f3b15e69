// msxml_slots_system.cpp - the vtable slot of each method as <msxml2.h> declares it. A translation
// unit of its own: the system headers cannot meet the platform's COM names.
#include <msxml2.h>
#include <windows.h>

#include <cstring>
#include <vector>

namespace {
// A pointer to a virtual member function holds 1 + the slot's byte offset (the Itanium ABI).
template <class F>
int SlotOf(F f) {
    std::ptrdiff_t raw = 0;
    std::memcpy(&raw, &f, sizeof raw);
    return static_cast<int>((raw - 1) / static_cast<std::ptrdiff_t>(sizeof(void*)));
}
}  // namespace

std::vector<int> SystemMsxmlSlots() {
    return {
#define SLOT(Interface, method) SlotOf(&::Interface::method),
#include "platform/win32/msxml_slots.inc"
#undef SLOT
    };
}
