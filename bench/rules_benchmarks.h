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
inline constexpr int kRuleCounts[] = {10, 100, 1000};
inline constexpr int kXmlRuleCount = 1000;

// Registers GetRules and ParseRules for every count in kRuleCounts, and GetRulesXML and
// SetRulesXML for kXmlRuleCount, all on a source read from packet (which must outlive the run).
void RegisterRulesBenchmarks(const Packet& packet);

}  // namespace bench
