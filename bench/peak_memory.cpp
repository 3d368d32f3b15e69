// peak_memory.cpp - olvane_peak_memory PACKET...: for each packet, in a fresh process of its own
// (run it once per packet), how far one SetMetaData raises the peak resident set above what the
// process held before the call, and what the stored source keeps afterwards.
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "olvane/olvane.h"

namespace {

long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;  // KiB on Linux
}

long CurrentKiB() {
    long pages = 0;
    long resident = 0;
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (f != nullptr) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PACKET\n", argv[0]);
        return 2;
    }
    // Read in one piece into a buffer of the exact size, so that no transient copy raises the
    // peak before the measurement starts.
    std::ifstream in(argv[1], std::ios::binary | std::ios::ate);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    std::string packet(static_cast<size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(packet.data(), static_cast<std::streamsize>(packet.size()));

    const int scene = AddScene();
    const long before = CurrentKiB();
    const long peakBefore = PeakKiB();
    SetMetaData(scene, packet.c_str(), "clip", "Clip");
    const long peakAfter = PeakKiB();
    const long after = CurrentKiB();
    // Counted from the resident set just before the call: should an older mark be the higher one,
    // the figure overstates the call's peak rather than hiding part of it.
    const long peak = (peakAfter > peakBefore ? peakAfter : peakBefore) - before;
    const double bytes = static_cast<double>(packet.size());
    std::printf("%zu %ld %.2f %ld\n", packet.size(), peak * 1024,
                static_cast<double>(peak) * 1024 / bytes, (after - before) * 1024);
    DelScene(scene);
    return 0;
}
