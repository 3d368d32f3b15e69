// packet_choice.h - which packet of a file the plug-in is handed, and how it was chosen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "byte_source.h"
#include "packet_scanner.h"

namespace olvane_host {

struct PacketChoice {
    std::string packet;              // what the plug-in is handed
    std::string from;                // how it was chosen, for people: "PNG XMP text chunk", ...
    uint64_t offset = 0;             // where its bytes start in the file
    std::vector<std::string> notes;  // what the host has to say about the file's XMP

    // With listing asked for: every packet a scan of the whole file finds (the first
    // PacketScanner::kMaxListed of them) and their number.
    std::vector<PacketScanner::Span> listed;
    uint64_t listedCount = 0;
};

enum class ChoiceResult { kChosen, kNoPacket, kFailed };

// Chooses the packet a reader of the file's format would take (the rules are in the README):
// an XML document whose element is x:xmpmeta or rdf:RDF is a sidecar and taken whole; JPEG, TIFF,
// PNG, RIFF (AVI, WAV), MP4/MOV and PDF are read by their own rule; anything else, or a file
// whose rule finds nothing, is scanned and its last complete packet taken. On kNoPacket or
// kFailed, error says why (without the file name).
ChoiceResult ChoosePacket(ByteSource& source, bool listAll, PacketChoice& choice,
                          std::string& error);

// The maximum size of a packet, of a sidecar and of a reassembled extended JPEG packet.
inline constexpr uint64_t kMaxPacket = PacketScanner::kDefaultMaxPacket;

}  // namespace olvane_host
