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

    explicit PacketScanner(size_t maxPacket = kDefaultMaxPacket) : m_maxPacket(maxPacket) {}

    // Takes the next bytes of the stream.
    void Feed(std::string_view bytes);

    // To be called at the end of the stream: a wrapper whose end instruction is missing still
    // yields the x:xmpmeta element inside it, if that is complete.
    void Finish();

    bool Found() const { return m_count > 0; }
    // The last complete packet and the stream offset of its first byte; meaningful once Found().
    const std::string& Packet() const { return m_last; }
    std::string TakePacket() { return std::move(m_last); }
    uint64_t Offset() const { return m_lastOffset; }
    // Complete packets found, and the places of the first kMaxListed of them.
    uint64_t Count() const { return m_count; }
    const std::vector<Span>& Listed() const { return m_listed; }

    // Whether a candidate was abandoned for being larger than the limit (for the error message).
    bool GaveUpOversized() const { return m_gaveUpOversized; }
    // Whether a start marker was seen whose packet never ended (for the error message).
    bool SawUnfinished() const { return m_sawUnfinished; }

  private:
    enum class State { kSearching, kWrapper, kElement };

    void Scan();
    bool ScanWrapper();
    bool ScanElement();
    void StartAt(size_t at, State state);
    void Record(size_t from, size_t to);
    void Salvage(size_t limit);
    void Compact();

    size_t m_maxPacket;
    State m_state = State::kSearching;
    // Stream bytes from m_bufferOffset on: the candidate being collected, or a look-behind tail.
    std::string m_buffer;
    uint64_t m_bufferOffset = 0;
    size_t m_start = 0;                           // the candidate's first byte in m_buffer
    size_t m_searchFrom = 0;                      // where to look for a start marker next
    size_t m_endFrom = 0;                         // where to look for an end marker next
    size_t m_endInstruction = std::string::npos;  // position of "<?xpacket end=" once seen
    std::string m_last;
    uint64_t m_lastOffset = 0;
    uint64_t m_count = 0;
    std::vector<Span> m_listed;
    bool m_gaveUpOversized = false;
    bool m_sawUnfinished = false;
};

}  // namespace olvane_host
