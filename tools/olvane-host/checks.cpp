// checks.cpp - what the host does with one evaluated rule: push the value or make the check.
#include "checks.h"

#include <olvane/olvane.h>

#include "text.h"

namespace olvane_host {

namespace {

std::string Quote(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

bool IsOneOf(std::string_view value, std::string_view list) {
    size_t start = 0;
    for (;;) {
        const size_t comma = list.find(',', start);
        const std::string_view item = Trim(list.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (!item.empty() && item == value) {
            return true;
        }
        if (comma == std::string_view::npos) {
            return false;
        }
        start = comma + 1;
    }
}

}  // namespace

bool IsDestinationForm(int type) {
    return type == OLVANE_RULE_PUSH || type == OLVANE_RULE_EQUALS_DEST ||
           type == OLVANE_RULE_NOT_EQUAL_DEST || type == OLVANE_RULE_CONTAINS_DEST ||
           type == OLVANE_RULE_WITHOUT_DEST;
}

std::string_view RuleTypeName(int type) {
    switch (type) {
        case OLVANE_RULE_UNRESOLVED:
            return "unresolved";
        case OLVANE_RULE_PUSH:
            return "push";
        case OLVANE_RULE_EQUALS_STR:
        case OLVANE_RULE_EQUALS_DEST:
            return "equals";
        case OLVANE_RULE_NOT_EQUAL_STR:
        case OLVANE_RULE_NOT_EQUAL_DEST:
            return "not equal";
        case OLVANE_RULE_CONTAINS_STR:
        case OLVANE_RULE_CONTAINS_DEST:
            return "contains";
        case OLVANE_RULE_WITHOUT_STR:
        case OLVANE_RULE_WITHOUT_DEST:
            return "doesn't contain";
        case OLVANE_RULE_IS_ONE_OF:
            return "is one of";
        default:
            return "unknown";
    }
}

Verdict Check(int type, std::string_view value, std::string_view second,
              const Destinations& dests) {
    if (type < OLVANE_RULE_EQUALS_STR || type > OLVANE_RULE_IS_ONE_OF) {
        return {false, "rule type " + std::to_string(type) + " is not a check"};
    }
    std::string_view other = second;
    std::string what = Quote(second);
    if (IsDestinationForm(type)) {
        const auto it = dests.find(second);
        if (it == dests.end()) {
            return {false, "no template " + Quote(second)};
        }
        other = it->second;
        what = "template " + std::string(second) + " (" + Quote(other) + ")";
    }
    switch (type) {
        case OLVANE_RULE_EQUALS_STR:
        case OLVANE_RULE_EQUALS_DEST:
            if (value == other) {
                return {true, {}};
            }
            return {false, "differs from " + what};
        case OLVANE_RULE_NOT_EQUAL_STR:
        case OLVANE_RULE_NOT_EQUAL_DEST:
            if (value != other) {
                return {true, {}};
            }
            return {false, "equals " + what};
        case OLVANE_RULE_CONTAINS_STR:
        case OLVANE_RULE_CONTAINS_DEST:
            if (value.find(other) != std::string_view::npos) {
                return {true, {}};
            }
            return {false, "does not contain " + what};
        case OLVANE_RULE_WITHOUT_STR:
        case OLVANE_RULE_WITHOUT_DEST:
            if (value.find(other) == std::string_view::npos) {
                return {true, {}};
            }
            return {false, "contains " + what};
        default:  // OLVANE_RULE_IS_ONE_OF
            if (IsOneOf(value, other)) {
                return {true, {}};
            }
            return {false, "not one of " + what};
    }
}

RuleResult CarryOut(int type, std::string_view value, std::string_view second,
                    Destinations& dests) {
    if (type == OLVANE_RULE_UNRESOLVED) {
        return {Outcome::kFailed, "the tag has no value"};
    }
    if (type == OLVANE_RULE_PUSH) {
        const auto it = dests.find(second);
        if (it == dests.end()) {
            return {Outcome::kFailed, "no template " + Quote(second)};
        }
        it->second = value;
        return {Outcome::kPushed, {}};
    }
    Verdict verdict = Check(type, value, second, dests);
    return {verdict.passed ? Outcome::kPassed : Outcome::kFailed, std::move(verdict.reason)};
}

}  // namespace olvane_host
