// packet_benchmarks.h - the packet benchmarks: expat alone (the floor), exempi (the peer), and the
// plug-in's SetMetaData with and without handing every value out.
#pragma once

#include <string>
#include <vector>

#include "bench/packet_set.h"

namespace bench {

// Benchmark names: "<kind>/<packet name>" with kind one of the constants below.
inline constexpr const char* kExpat = "expat";
inline constexpr const char* kExempi = "exempi";
inline constexpr const char* kSetMetaData = "SetMetaData";
inline constexpr const char* kSetMetaDataAll = "SetMetaData+GetAllNamespaces";
// SetMetaData and the floor in turn; its counter kRatio is SetMetaData's time over the floor's.
inline constexpr const char* kPaired = "SetMetaData/expat";
inline constexpr const char* kRatio = "ratio";

// Registers the five kinds for every packet (exempi only when it was built in). The packets must
// outlive the run.
void RegisterPacketBenchmarks(const std::vector<Packet>& packets);
bool HaveExempi();

// The number of values the plug-in reads from a packet (all namespace records together).
int CountValues(const Packet& packet);

}  // namespace bench
