// msxml_test.cpp - the MSXML interfaces as msxml.h declares them hold the slots <msxml2.h> gives.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/win32/msxml.h"

std::vector<int> SystemMsxmlSlots();

namespace {

template <class F>
int SlotOf(F f) {
    std::ptrdiff_t raw = 0;
    std::memcpy(&raw, &f, sizeof raw);
    return static_cast<int>((raw - 1) / static_cast<std::ptrdiff_t>(sizeof(void*)));
}

TEST(Msxml, EveryMethodSitsInTheSystemHeadersSlot) {
    const std::vector<int> ours = {
#define SLOT(Interface, method) SlotOf(&platform::msxml::Interface::method),
#include "platform/win32/msxml_slots.inc"
#undef SLOT
    };
    EXPECT_EQ(ours, SystemMsxmlSlots());
    EXPECT_EQ(ours.front(), 3);  // the first after IUnknown's three
}

}  // namespace
