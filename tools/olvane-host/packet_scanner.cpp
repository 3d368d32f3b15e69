// packet_scanner.cpp - finds the XMP packets in a byte stream fed to it chunk by chunk.
#include "packet_scanner.h"

#include <algorithm>

namespace olvane_host {

namespace {

constexpr std::string_view kWrapperBegin = "<?xpacket begin=";
constexpr std::string_view kWrapperEnd = "<?xpacket end=";
constexpr std::string_view kInstructionClose = "?>";
constexpr std::string_view kElementBegin = "<x:xmpmeta";
constexpr std::string_view kElementEnd = "</x:xmpmeta>";
// Enough bytes of look-behind for the longest start marker split over two chunks.
constexpr size_t kLookBehind = kWrapperBegin.size() - 1;
constexpr size_t kNone = std::string::npos;

size_t Back(size_t size, size_t n) {
    return size > n ? size - n : 0;
}

}  // namespace

void PacketScanner::Feed(std::string_view bytes) {
    m_buffer.append(bytes);
    Scan();
    if (m_state != State::kSearching && m_buffer.size() - m_start > m_maxPacket) {
        // New start markers inside the candidate were already taken up; only its tail can still
        // hold the beginning of one.
        m_gaveUpOversized = true;
        m_state = State::kSearching;
        m_searchFrom = Back(m_buffer.size(), kLookBehind);
    }
    Compact();
}

void PacketScanner::Scan() {
    for (;;) {
        if (m_state == State::kSearching) {
            const size_t wrapper = m_buffer.find(kWrapperBegin, m_searchFrom);
            const size_t element = m_buffer.find(kElementBegin, m_searchFrom);
            if (wrapper == kNone && element == kNone) {
                m_searchFrom = std::max(m_searchFrom, Back(m_buffer.size(), kLookBehind));
                return;
            }
            StartAt(std::min(wrapper, element),
                    wrapper < element ? State::kWrapper : State::kElement);
        } else if (!(m_state == State::kWrapper ? ScanWrapper() : ScanElement())) {
            return;
        }
    }
}

// Returns false when the buffer holds no more to decide on.
bool PacketScanner::ScanWrapper() {
    if (m_endInstruction == kNone) {
        const size_t end = m_buffer.find(kWrapperEnd, m_endFrom);
        const size_t again = m_buffer.find(kWrapperBegin, m_searchFrom);
        if (again < end) {
            // A new packet starts before this one ended: the first was cut off.
            m_sawUnfinished = true;
            Salvage(again);
            StartAt(again, State::kWrapper);
            return true;
        }
        if (end == kNone) {
            m_endFrom = std::max(m_endFrom, Back(m_buffer.size(), kWrapperEnd.size() - 1));
            m_searchFrom = std::max(m_searchFrom, Back(m_buffer.size(), kLookBehind));
            return false;
        }
        m_endInstruction = end;
        m_endFrom = end + kWrapperEnd.size();
    }
    const size_t close = m_buffer.find(kInstructionClose, m_endFrom);
    if (close == kNone) {
        m_endFrom = std::max(m_endFrom, Back(m_buffer.size(), 1));
        return false;
    }
    Record(m_start, close + kInstructionClose.size());
    m_state = State::kSearching;
    m_searchFrom = close + kInstructionClose.size();
    return true;
}

bool PacketScanner::ScanElement() {
    const size_t end = m_buffer.find(kElementEnd, m_endFrom);
    const size_t wrapper = m_buffer.find(kWrapperBegin, m_searchFrom);
    const size_t element = m_buffer.find(kElementBegin, m_searchFrom);
    const size_t again = std::min(wrapper, element);
    if (again < end) {
        m_sawUnfinished = true;
        StartAt(again, wrapper < element ? State::kWrapper : State::kElement);
        return true;
    }
    if (end != kNone) {
        Record(m_start, end + kElementEnd.size());
        m_state = State::kSearching;
        m_searchFrom = end + kElementEnd.size();
        return true;
    }
    m_endFrom = std::max(m_endFrom, Back(m_buffer.size(), kElementEnd.size() - 1));
    m_searchFrom = std::max(m_searchFrom, Back(m_buffer.size(), kLookBehind));
    return false;
}

void PacketScanner::StartAt(size_t at, State state) {
    m_state = state;
    m_start = at;
    m_searchFrom = at + 1;
    m_endFrom = at + (state == State::kWrapper ? kWrapperBegin.size() : kElementBegin.size());
    m_endInstruction = kNone;
}

void PacketScanner::Record(size_t from, size_t to) {
    m_last.assign(m_buffer, from, to - from);
    m_lastOffset = m_bufferOffset + from;
    ++m_count;
    if (m_listed.size() < kMaxListed) {
        m_listed.push_back({m_lastOffset, to - from});
    }
}

// Writers that cut a wrapper's trailer off still leave a complete element inside it.
void PacketScanner::Salvage(size_t limit) {
    const std::string_view candidate = std::string_view(m_buffer).substr(0, limit);
    const size_t begin = candidate.find(kElementBegin, m_start);
    const size_t end = begin == kNone ? kNone : candidate.find(kElementEnd, begin);
    if (end != kNone) {
        Record(begin, end + kElementEnd.size());
    }
}

// Drops the bytes that can no longer matter, so that the buffer holds at most one candidate.
void PacketScanner::Compact() {
    const size_t drop = m_state == State::kSearching ? m_searchFrom : m_start;
    m_buffer.erase(0, drop);
    m_bufferOffset += drop;
    m_start -= std::min(m_start, drop);
    m_searchFrom -= drop;
    m_endFrom -= std::min(m_endFrom, drop);
    if (m_endInstruction != kNone) {
        m_endInstruction -= drop;
    }
    // A packet given up or taken leaves its capacity behind; the search needs a few bytes.
    if (m_state == State::kSearching && m_buffer.capacity() > (size_t{1} << 22)) {
        m_buffer.shrink_to_fit();
    }
}

void PacketScanner::Finish() {
    if (m_state != State::kSearching) {
        m_sawUnfinished = true;
        if (m_state == State::kWrapper) {
            Salvage(m_buffer.size());
        }
    }
    m_state = State::kSearching;
    m_bufferOffset += m_buffer.size();
    m_buffer.clear();
    m_searchFrom = 0;
}

}  // namespace olvane_host
