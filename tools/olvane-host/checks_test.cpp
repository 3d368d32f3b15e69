// checks_test.cpp - the host's semantics of pushes and checks.
#include "checks.h"

#include <olvane/olvane.h>

#include <gtest/gtest.h>

namespace olvane_host {
namespace {

TEST(Check, EveryTypeInItsStringAndDestinationForm) {
    // The destination forms compare with the template's current value, here "Dawn".
    const Destinations dests{{"title", "Dawn"}, {"empty", ""}};
    struct Case {
        int type;
        const char* value;
        const char* second;
        bool passes;
    };
    const Case cases[] = {
        {OLVANE_RULE_EQUALS_STR, "Dawn", "Dawn", true},
        {OLVANE_RULE_EQUALS_STR, "Dawn", "dawn", false},  // exact, case-sensitive
        {OLVANE_RULE_EQUALS_DEST, "Dawn", "title", true},
        {OLVANE_RULE_EQUALS_DEST, "title", "title", false},  // the key is not the value
        {OLVANE_RULE_EQUALS_DEST, "", "empty", true},
        {OLVANE_RULE_EQUALS_DEST, "", "nowhere", false},
        {OLVANE_RULE_NOT_EQUAL_STR, "Dawn", "Dusk", true},
        {OLVANE_RULE_NOT_EQUAL_DEST, "Dawn", "title", false},
        {OLVANE_RULE_CONTAINS_STR, "harbour, dawn", "dawn", true},
        {OLVANE_RULE_CONTAINS_STR, "anything", "", true},
        {OLVANE_RULE_CONTAINS_DEST, "Daw", "title", false},
        {OLVANE_RULE_WITHOUT_STR, "harbour, dawn", "bour", false},
        {OLVANE_RULE_WITHOUT_DEST, "Dusk", "title", true},
        {OLVANE_RULE_WITHOUT_DEST, "Dawn!", "title", false},
        {OLVANE_RULE_IS_ONE_OF, "two words", " 1 , two words\t,5 ", true},  // items trimmed
        {OLVANE_RULE_IS_ONE_OF, "3", "1,23,4", false},                      // whole items only
        {OLVANE_RULE_IS_ONE_OF, " 3", "3", false},   // the value is not trimmed
        {OLVANE_RULE_IS_ONE_OF, "", "a,,b", false},  // empty items are ignored
        {OLVANE_RULE_PUSH, "Dawn", "Dawn", false},   // not a check
        {OLVANE_RULE_NONE, "Dawn", "Dawn", false},
    };
    for (const Case& c : cases) {
        const Verdict verdict = Check(c.type, c.value, c.second, dests);
        EXPECT_EQ(verdict.passed, c.passes)
            << c.type << " '" << c.value << "' '" << c.second << "'";
        EXPECT_EQ(verdict.reason.empty(), c.passes);
    }
}

}  // namespace
}  // namespace olvane_host
