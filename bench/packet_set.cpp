// packet_set.cpp - reading the packets measured.
#include "bench/packet_set.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace bench {
namespace {

bool ReadFile(const std::filesystem::path& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    out = text.str();
    return true;
}

}  // namespace

std::vector<Packet> LoadPackets(const std::string& samplesDir, const std::string& generatedDir) {
    namespace fs = std::filesystem;
    std::vector<Packet> packets;
    std::error_code error;
    std::vector<fs::path> real;
    for (const auto& entry : fs::directory_iterator(samplesDir, error)) {
        const std::string file = entry.path().filename().string();
        if (file.rfind("real_", 0) == 0 && entry.path().extension() == ".xmp") {
            real.push_back(entry.path());
        }
    }
    std::sort(real.begin(), real.end());
    for (const fs::path& path : real) {
        Packet p;
        p.name = path.stem().string();
        if (ReadFile(path, p.bytes)) {
            packets.push_back(std::move(p));
        }
    }
    for (int n : kGeneratedSizes) {
        const std::string file = "synth_n" + std::to_string(n) + ".xmp";
        Packet p;
        p.name = "synth_n" + std::to_string(n);
        p.properties = n;
        if (ReadFile(fs::path(generatedDir) / file, p.bytes) ||
            ReadFile(fs::path(samplesDir) / file, p.bytes)) {
            packets.push_back(std::move(p));
        }
    }
    return packets;
}

}  // namespace bench
