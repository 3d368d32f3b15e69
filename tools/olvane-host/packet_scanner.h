// packet_scanner.h - finds the XMP packet in a byte stream fed to it chunk by chunk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace olvane_host {

// Finds the first XMP packet in bytes that arrive in pieces of any size, so that a file of any size
// is scanned with bounded memory: only the packet being collected and a few bytes of look-behind
// are kept. A packet is the text from "<?xpacket begin=" up to the "?>" that closes the next
// "<?xpacket end=" processing instruction; where no wrapper comes first, an x:xmpmeta element
// (from "<x:xmpmeta" to "</x:xmpmeta>") is taken instead. Only 8-bit encodings are recognised: a
// UTF-16 or UTF-32 packet is not found.
class PacketScanner {
  public:
    // Packets larger than this are given up (and scanning goes on after them), so that a file with
    // a stray start marker cannot make the scanner hold the rest of the file.
    static constexpr size_t kDefaultMaxPacket = size_t{16} << 20;

    explicit PacketScanner(size_t maxPacket = kDefaultMaxPacket) : maxPacket_(maxPacket) {}

    // Takes the next bytes of the stream. Returns true once a complete packet has been found; bytes
    // fed after that are ignored.
    bool Feed(std::string_view bytes);

    // To be called at the end of the stream: a wrapper whose end instruction is missing still
    // yields the x:xmpmeta element inside it, if that is complete. Returns whether a packet was
    // found.
    bool Finish();

    bool Found() const { return state_ == State::kDone; }
    // The packet; meaningful once Found().
    const std::string& Packet() const { return packet_; }
    std::string TakePacket() { return std::move(packet_); }

    // Stream offset of the packet's first byte; meaningful once Found().
    uint64_t Offset() const { return packetOffset_; }
    // Whether a candidate was abandoned for being larger than the limit (for the error message).
    bool GaveUpOversized() const { return gaveUpOversized_; }
    // Whether a start marker was seen whose packet never ended (for the error message).
    bool SawUnfinished() const { return sawUnfinished_; }

  private:
    enum class State { kSearching, kWrapper, kElement, kDone };

    void Search(std::string_view bytes);
    void Collect(std::string_view bytes);
    void Begin(State state, std::string_view from, uint64_t offset);

    size_t maxPacket_;
    State state_ = State::kSearching;
    std::string tail_;  // last bytes of the searched stream, so a marker split over chunks is found
    std::string packet_;
    uint64_t consumed_ = 0;  // stream bytes fed so far
    uint64_t packetOffset_ = 0;
    size_t endSearchFrom_ = 0;                   // where to look for the end marker next
    size_t restartSearchFrom_ = 1;               // where to look for a new start marker next
    size_t endInstruction_ = std::string::npos;  // position of "<?xpacket end=" once seen
    bool gaveUpOversized_ = false;
    bool sawUnfinished_ = false;
};

}  // namespace olvane_host
