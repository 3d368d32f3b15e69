// tiff_packet.cpp - the XMP of a TIFF (and of the raw formats built on it): tag 700 of the first
// IFD.
#include "format_readers.h"

namespace olvane_host {

namespace {

constexpr uint64_t kXmpTag = 700;
constexpr uint64_t kMaxEntries = 1 << 16;

}  // namespace

bool ReadTiffPacket(ContainerReader& file, PacketChoice& choice) {
    char order[2];
    uint64_t version = 0;
    if (!file.Peek(0, 2, order) || (order[0] != order[1]) || (order[0] != 'I' && order[0] != 'M')) {
        return false;
    }
    const bool little = order[0] == 'I';
    if (!file.Uint(2, 2, little, version) || (version != 42 && version != 43)) {
        return false;
    }
    // Classic TIFF: 2-byte entry count, 12-byte entries with 4-byte counts and offsets.
    // BigTIFF (43): 8-byte count, 20-byte entries with 8-byte counts and offsets.
    const bool big = version == 43;
    const size_t word = big ? 8 : 4;
    const size_t countSize = big ? 8 : 2;
    const size_t entrySize = big ? 20 : 12;
    uint64_t ifd = 0;
    uint64_t entries = 0;
    if (!file.Uint(big ? 8 : 4, word, little, ifd) || !file.Uint(ifd, countSize, little, entries) ||
        entries > kMaxEntries) {
        return false;
    }
    for (uint64_t i = 0; i < entries; ++i) {
        const uint64_t entry = ifd + countSize + i * entrySize;
        uint64_t tag = 0;
        uint64_t count = 0;
        uint64_t offset = 0;
        if (!file.Uint(entry, 2, little, tag) || !file.Uint(entry + 4, word, little, count)) {
            return false;
        }
        if (tag != kXmpTag) {
            continue;
        }
        // Stored as bytes (type BYTE or UNDEFINED): a short value sits in the entry itself.
        const uint64_t valueField = entry + 4 + word;
        if (count > word && !file.Uint(valueField, word, little, offset)) {
            return false;
        }
        std::string packet;
        if (!file.Payload(count > word ? offset : valueField, count, kMaxPacket, packet)) {
            return false;
        }
        choice.packet = std::move(packet);
        choice.offset = count > word ? offset : valueField;
        choice.from = "TIFF XMP tag";
        return true;
    }
    return false;
}

}  // namespace olvane_host
