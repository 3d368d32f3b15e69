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
    buffer_.append(bytes);
    Scan();
    if (state_ != State::kSearching && buffer_.size() - start_ > maxPacket_) {
        // New start markers inside the candidate were already taken up; only its tail can still
        // hold the beginning of one.
        gaveUpOversized_ = true;
        state_ = State::kSearching;
        searchFrom_ = Back(buffer_.size(), kLookBehind);
    }
    Compact();
}

void PacketScanner::Scan() {
    for (;;) {
        if (state_ == State::kSearching) {
            const size_t wrapper = buffer_.find(kWrapperBegin, searchFrom_);
            const size_t element = buffer_.find(kElementBegin, searchFrom_);
            if (wrapper == kNone && element == kNone) {
                searchFrom_ = std::max(searchFrom_, Back(buffer_.size(), kLookBehind));
                return;
            }
            StartAt(std::min(wrapper, element),
                    wrapper < element ? State::kWrapper : State::kElement);
        } else if (!(state_ == State::kWrapper ? ScanWrapper() : ScanElement())) {
            return;
        }
    }
}

// Returns false when the buffer holds no more to decide on.
bool PacketScanner::ScanWrapper() {
    if (endInstruction_ == kNone) {
        const size_t end = buffer_.find(kWrapperEnd, endFrom_);
        const size_t again = buffer_.find(kWrapperBegin, searchFrom_);
        if (again < end) {
            // A new packet starts before this one ended: the first was cut off.
            sawUnfinished_ = true;
            Salvage(again);
            StartAt(again, State::kWrapper);
            return true;
        }
        if (end == kNone) {
            endFrom_ = std::max(endFrom_, Back(buffer_.size(), kWrapperEnd.size() - 1));
            searchFrom_ = std::max(searchFrom_, Back(buffer_.size(), kLookBehind));
            return false;
        }
        endInstruction_ = end;
        endFrom_ = end + kWrapperEnd.size();
    }
    const size_t close = buffer_.find(kInstructionClose, endFrom_);
    if (close == kNone) {
        endFrom_ = std::max(endFrom_, Back(buffer_.size(), 1));
        return false;
    }
    Record(start_, close + kInstructionClose.size());
    state_ = State::kSearching;
    searchFrom_ = close + kInstructionClose.size();
    return true;
}

bool PacketScanner::ScanElement() {
    const size_t end = buffer_.find(kElementEnd, endFrom_);
    const size_t wrapper = buffer_.find(kWrapperBegin, searchFrom_);
    const size_t element = buffer_.find(kElementBegin, searchFrom_);
    const size_t again = std::min(wrapper, element);
    if (again < end) {
        sawUnfinished_ = true;
        StartAt(again, wrapper < element ? State::kWrapper : State::kElement);
        return true;
    }
    if (end != kNone) {
        Record(start_, end + kElementEnd.size());
        state_ = State::kSearching;
        searchFrom_ = end + kElementEnd.size();
        return true;
    }
    endFrom_ = std::max(endFrom_, Back(buffer_.size(), kElementEnd.size() - 1));
    searchFrom_ = std::max(searchFrom_, Back(buffer_.size(), kLookBehind));
    return false;
}

void PacketScanner::StartAt(size_t at, State state) {
    state_ = state;
    start_ = at;
    searchFrom_ = at + 1;
    endFrom_ = at + (state == State::kWrapper ? kWrapperBegin.size() : kElementBegin.size());
    endInstruction_ = kNone;
}

void PacketScanner::Record(size_t from, size_t to) {
    last_.assign(buffer_, from, to - from);
    lastOffset_ = bufferOffset_ + from;
    ++count_;
    if (listed_.size() < kMaxListed) {
        listed_.push_back({lastOffset_, to - from});
    }
}

// Writers that cut a wrapper's trailer off still leave a complete element inside it.
void PacketScanner::Salvage(size_t limit) {
    const std::string_view candidate = std::string_view(buffer_).substr(0, limit);
    const size_t begin = candidate.find(kElementBegin, start_);
    const size_t end = begin == kNone ? kNone : candidate.find(kElementEnd, begin);
    if (end != kNone) {
        Record(begin, end + kElementEnd.size());
    }
}

// Drops the bytes that can no longer matter, so that the buffer holds at most one candidate.
void PacketScanner::Compact() {
    const size_t drop = state_ == State::kSearching ? searchFrom_ : start_;
    buffer_.erase(0, drop);
    bufferOffset_ += drop;
    start_ -= std::min(start_, drop);
    searchFrom_ -= drop;
    endFrom_ -= std::min(endFrom_, drop);
    if (endInstruction_ != kNone) {
        endInstruction_ -= drop;
    }
    // A packet given up or taken leaves its capacity behind; the search needs a few bytes.
    if (state_ == State::kSearching && buffer_.capacity() > (size_t{1} << 22)) {
        buffer_.shrink_to_fit();
    }
}

void PacketScanner::Finish() {
    if (state_ != State::kSearching) {
        sawUnfinished_ = true;
        if (state_ == State::kWrapper) {
            Salvage(buffer_.size());
        }
    }
    state_ = State::kSearching;
    bufferOffset_ += buffer_.size();
    buffer_.clear();
    searchFrom_ = 0;
}

}  // namespace olvane_host
