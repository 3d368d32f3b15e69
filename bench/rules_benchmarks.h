// rules_benchmarks.h - the rules benchmarks: stored and evaluated records, and the rules XML, over
// a source read from one packet.
#pragma once

#include "bench/packet_set.h"

namespace bench {

// Benchmark names: "<kind>/<rule count>".
inline constexpr const char* kGetRules = "GetRules";
inline constexpr const char* kParseRules = "ParseRules";
inline constexpr const char* kGetRulesXML = "GetRulesXML";
inline constexpr const char* kSetRulesXML = "SetRulesXML";
// The floors of the rules XML: expat alone over the same text in UTF-8, and the same text copied
// into a new BSTR (the least a writer of it can do).
inline constexpr const char* kRulesExpat = "expat-rules";
inline constexpr const char* kRulesCopy = "BSTR-copy";
inline constexpr int kRuleCounts[] = {10, 100, 1000};
inline constexpr int kXmlRuleCounts[] = {1000, 10000};

// Registers GetRules and ParseRules for every count in kRuleCounts, and GetRulesXML, SetRulesXML
// and their floors for every count in kXmlRuleCounts, all on a source read from packet (which
// must outlive the run).
void RegisterRulesBenchmarks(const Packet& packet);

}  // namespace bench
