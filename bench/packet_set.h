// packet_set.h - the XMP packets every benchmark of a run measures: the bundled real ones and the
// generated ones of 100 to 100,000 properties.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace bench {

struct Packet {
    std::string name;    // file name without ".xmp"
    std::string bytes;   // the UTF-8 text; c_str() is NUL-terminated as the host hands it over
    int properties = 0;  // the generated size, or 0 for a real packet
};

// Reads real_*.xmp from samplesDir and synth_n*.xmp from generatedDir (falling back to samplesDir
// for a size that was not generated), real ones first, then by size. Missing files are skipped.
std::vector<Packet> LoadPackets(const std::string& samplesDir, const std::string& generatedDir);

// The sizes the targets are about, in ascending order.
inline constexpr int kGeneratedSizes[] = {100, 1000, 10000, 100000};

}  // namespace bench
