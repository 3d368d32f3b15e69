// packet_scanner.h - finds the XMP packets in a byte stream fed to it chunk by chunk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace olvane_host {

// Finds every XMP packet in bytes that arrive in pieces of any size and keeps the last complete
// one (a writer that updates a file in place usually appends), so that a file of any size is
// scanned with bounded memory: only the packet being collected, the last one found and a few bytes
// of look-behind are held. A packet is the text from "<?xpacket begin=" up to the "?>" that closes
// the next "<?xpacket end=" processing instruction, or an x:xmpmeta element (from "<x:xmpmeta" to
// "</x:xmpmeta>") outside a wrapper. Only 8-bit encodings are recognised: a UTF-16 or UTF-32
// packet is not found.
class PacketScanner {
  public:
    // Packets larger than this are given up (and scanning goes on after them), so that a file with
    // a stray start marker cannot make the scanner hold the rest of the file.
    static constexpr size_t kDefaultMaxPacket = size_t{16} << 20;
    // How many packets' places are remembered for listing; the count goes on beyond.
    static constexpr size_t kMaxListed = 1000;

    struct Span {
        uint64_t offset;
        uint64_t size;
    };

    explicit PacketScanner(size_t maxPacket = kDefaultMaxPacket) : maxPacket_(maxPacket) {}

    // Takes the next bytes of the stream.
    void Feed(std::string_view bytes);

    // To be called at the end of the stream: a wrapper whose end instruction is missing still
    // yields the x:xmpmeta element inside it, if that is complete.
    void Finish();

    bool Found() const { return count_ > 0; }
    // The last complete packet and the stream offset of its first byte; meaningful once Found().
    const std::string& Packet() const { return last_; }
    std::string TakePacket() { return std::move(last_); }
    uint64_t Offset() const { return lastOffset_; }
    // Complete packets found, and the places of the first kMaxListed of them.
    uint64_t Count() const { return count_; }
    const std::vector<Span>& Listed() const { return listed_; }

    // Whether a candidate was abandoned for being larger than the limit (for the error message).
    bool GaveUpOversized() const { return gaveUpOversized_; }
    // Whether a start marker was seen whose packet never ended (for the error message).
    bool SawUnfinished() const { return sawUnfinished_; }

  private:
    enum class State { kSearching, kWrapper, kElement };

    void Scan();
    bool ScanWrapper();
    bool ScanElement();
    void StartAt(size_t at, State state);
    void Record(size_t from, size_t to);
    void Salvage(size_t limit);
    void Compact();

    size_t maxPacket_;
    State state_ = State::kSearching;
    // Stream bytes from bufferOffset_ on: the candidate being collected, or a look-behind tail.
    std::string buffer_;
    uint64_t bufferOffset_ = 0;
    size_t start_ = 0;                           // the candidate's first byte in buffer_
    size_t searchFrom_ = 0;                      // where to look for a start marker next
    size_t endFrom_ = 0;                         // where to look for an end marker next
    size_t endInstruction_ = std::string::npos;  // position of "<?xpacket end=" once seen
    std::string last_;
    uint64_t lastOffset_ = 0;
    uint64_t count_ = 0;
    std::vector<Span> listed_;
    bool gaveUpOversized_ = false;
    bool sawUnfinished_ = false;
};

}  // namespace olvane_host
