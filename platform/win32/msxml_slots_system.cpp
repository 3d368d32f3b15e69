// msxml_slots_system.cpp - the vtable slot of each method as <msxml2.h> declares it. A translation
// unit of its own: the system headers cannot meet the platform's COM names.
#include <msxml2.h>
#include <windows.h>

#include <vector>

#include "platform/win32/msxml_slot.h"

std::vector<int> SystemMsxmlSlots() {
    return {
#define SLOT(Interface, method) SlotOf(&::Interface::method),
#include "platform/win32/msxml_slots.inc"
#undef SLOT
    };
}
