// checks.h - what the host does with one evaluated rule: push the value or make the check.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace olvane_host {

// The host's template fields by key, with their current values.
using Destinations = std::map<std::string, std::string, std::less<>>;

struct Verdict {
    bool passed = false;
    std::string reason;  // why it failed; empty when it passed
};

// The check of a rule of type 2..10 on value. second is the string, the destination key or the
// comma-separated list the type asks for. A destination key that names no destination fails. A list
// item is compared after trimming its blanks; empty items are ignored. Comparisons are exact
// (case-sensitive, byte for byte). Any other type fails with a reason.
Verdict Check(int type, std::string_view value, std::string_view second, const Destinations& dests);

enum class Outcome { kPushed, kPassed, kFailed };

struct RuleResult {
    Outcome outcome = Outcome::kFailed;
    std::string reason;
};

// Carries out one record of ParseRules: type 1 writes value into the destination named by second,
// types 2..10 check, and an unresolved tag (type -1) fails whatever the rule was.
RuleResult CarryOut(int type, std::string_view value, std::string_view second, Destinations& dests);

// The action's name for output ("push", "equals", ..., "unresolved").
std::string_view RuleTypeName(int type);

// Whether the type compares with a destination rather than with a string.
bool IsDestinationForm(int type);

}  // namespace olvane_host
