// packet_scanner.cpp - finds the XMP packet in a byte stream fed to it chunk by chunk.
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

size_t Back(size_t size, size_t n) {
    return size > n ? size - n : 0;
}

}  // namespace

bool PacketScanner::Feed(std::string_view bytes) {
    if (state_ == State::kDone) {
        return true;
    }
    if (state_ == State::kSearching) {
        Search(bytes);
    } else {
        Collect(bytes);
    }
    consumed_ += bytes.size();
    return state_ == State::kDone;
}

void PacketScanner::Search(std::string_view bytes) {
    std::string window = std::move(tail_);
    window.append(bytes);
    const uint64_t windowOffset = consumed_ - (window.size() - bytes.size());
    const size_t wrapper = window.find(kWrapperBegin);
    const size_t element = window.find(kElementBegin);
    if (wrapper == std::string::npos && element == std::string::npos) {
        tail_ = window.substr(Back(window.size(), kLookBehind));
        return;
    }
    if (wrapper <= element) {
        Begin(State::kWrapper, std::string_view(window).substr(wrapper), windowOffset + wrapper);
    } else {
        Begin(State::kElement, std::string_view(window).substr(element), windowOffset + element);
    }
}

void PacketScanner::Begin(State state, std::string_view from, uint64_t offset) {
    state_ = state;
    tail_.clear();
    packet_.clear();
    packetOffset_ = offset;
    endSearchFrom_ = state == State::kWrapper ? kWrapperBegin.size() : kElementBegin.size();
    restartSearchFrom_ = 1;
    endInstruction_ = std::string::npos;
    Collect(from);
}

void PacketScanner::Collect(std::string_view bytes) {
    packet_.append(bytes);
    for (;;) {
        if (state_ == State::kWrapper && endInstruction_ == std::string::npos) {
            const size_t end = packet_.find(kWrapperEnd, endSearchFrom_);
            const size_t again = packet_.find(kWrapperBegin, restartSearchFrom_);
            if (again != std::string::npos && again < end) {
                // A new packet starts before this one ended: the first was cut off.
                sawUnfinished_ = true;
                packet_.erase(0, again);
                packetOffset_ += again;
                endSearchFrom_ = kWrapperBegin.size();
                restartSearchFrom_ = 1;
                continue;
            }
            if (end == std::string::npos) {
                endSearchFrom_ =
                    std::max(endSearchFrom_, Back(packet_.size(), kWrapperEnd.size() - 1));
                restartSearchFrom_ =
                    std::max(restartSearchFrom_, Back(packet_.size(), kLookBehind));
                break;
            }
            endInstruction_ = end;
            endSearchFrom_ = end + kWrapperEnd.size();
        }
        if (state_ == State::kWrapper) {
            const size_t close = packet_.find(kInstructionClose, endSearchFrom_);
            if (close == std::string::npos) {
                endSearchFrom_ = std::max(endSearchFrom_, Back(packet_.size(), 1));
                break;
            }
            packet_.resize(close + kInstructionClose.size());
            state_ = State::kDone;
            return;
        }
        // An x:xmpmeta element without a wrapper.
        const size_t end = packet_.find(kElementEnd, endSearchFrom_);
        if (end != std::string::npos) {
            packet_.resize(end + kElementEnd.size());
            state_ = State::kDone;
            return;
        }
        const size_t wrapper = packet_.find(kWrapperBegin, restartSearchFrom_);
        const size_t element = packet_.find(kElementBegin, restartSearchFrom_);
        if (wrapper != std::string::npos || element != std::string::npos) {
            sawUnfinished_ = true;
            const size_t at = std::min(wrapper, element);
            state_ = wrapper <= element ? State::kWrapper : State::kElement;
            packet_.erase(0, at);
            packetOffset_ += at;
            endSearchFrom_ =
                state_ == State::kWrapper ? kWrapperBegin.size() : kElementBegin.size();
            restartSearchFrom_ = 1;
            continue;
        }
        endSearchFrom_ = std::max(endSearchFrom_, Back(packet_.size(), kElementEnd.size() - 1));
        restartSearchFrom_ = std::max(restartSearchFrom_, Back(packet_.size(), kLookBehind));
        break;
    }
    if (packet_.size() > maxPacket_) {
        gaveUpOversized_ = true;
        state_ = State::kSearching;
        tail_ = packet_.substr(Back(packet_.size(), kLookBehind));
        packet_.clear();
        packet_.shrink_to_fit();
    }
}

bool PacketScanner::Finish() {
    if (state_ == State::kDone) {
        return true;
    }
    if (state_ == State::kSearching) {
        return false;
    }
    sawUnfinished_ = true;
    if (state_ == State::kWrapper) {
        // Writers that cut the trailer off still leave a complete element inside.
        const size_t begin = packet_.find(kElementBegin);
        const size_t end =
            begin == std::string::npos ? std::string::npos : packet_.find(kElementEnd, begin);
        if (end != std::string::npos) {
            packet_ = packet_.substr(begin, end + kElementEnd.size() - begin);
            packetOffset_ += begin;
            state_ = State::kDone;
            return true;
        }
    }
    packet_.clear();
    state_ = State::kSearching;
    return false;
}

}  // namespace olvane_host
