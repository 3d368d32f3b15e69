// packet_choice_fuzzer.cpp - libFuzzer target: any bytes as a file whose packet is to be chosen.
//
// The container readers trust nothing they read; whatever the bytes, the choice must come back
// without a crash, a hang or a leak, and what it reports must be true of the file.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "packet_choice.h"

namespace {

void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace olvane_host;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    MemorySource source(bytes);
    PacketChoice choice;
    std::string error;
    const ChoiceResult result = ChoosePacket(source, true, choice, error);
    Require(result == ChoiceResult::kChosen ? !choice.from.empty() : !error.empty(),
            "a choice says how it was made, a failure why");
    if (result == ChoiceResult::kChosen) {
        Require(choice.packet.find('\0') == std::string::npos, "no NUL reaches the plug-in");
        Require(choice.packet.size() <= 2 * kMaxPacket, "a packet stays bounded");
        // Only a merged extension or a decoded PDF stream is not a slice of the file itself.
        if (choice.from.find("extended") == std::string::npos &&
            choice.from.find("PDF") == std::string::npos) {
            Require(choice.offset <= size &&
                        bytes.substr(choice.offset, choice.packet.size()) == choice.packet,
                    "the packet is where its offset says");
        }
    }
    Require(choice.listed.size() <= choice.listedCount, "listed packets are counted");
    for (const PacketScanner::Span& span : choice.listed) {
        Require(span.offset + span.size <= size, "a listed packet lies within the file");
    }
    return 0;
}
