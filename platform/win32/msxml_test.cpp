// msxml_test.cpp - the MSXML interfaces as msxml.h declares them hold the slots <msxml2.h> gives.
#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/msxml.h"
#include "platform/win32/msxml_slot.h"

std::vector<int> SystemMsxmlSlots();

namespace {

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
