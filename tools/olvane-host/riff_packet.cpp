// riff_packet.cpp - the XMP of an AVI or WAV file: the _PMX chunk at the top of the RIFF form.
#include "format_readers.h"

namespace olvane_host {

namespace {

bool IsXmpForm(std::string_view form) {
    return form == "AVI " || form == "AVIX" || form == "WAVE";
}

}  // namespace

bool ReadRiffPacket(ContainerReader& file, PacketChoice& choice) {
    size_t found = 0;
    char head[12];
    // Large AVI files carry further RIFF forms (AVIX) one after the other.
    for (uint64_t form = 0; file.Peek(form, 12, head) && std::string_view(head, 4) == "RIFF";) {
        uint64_t formSize = 0;
        file.Uint(form + 4, 4, true, formSize);
        const uint64_t end = std::min(form + 8 + formSize, file.Size());
        if (!IsXmpForm(std::string_view(head + 8, 4))) {
            break;
        }
        for (uint64_t at = form + 12; at + 8 <= end && file.Peek(at, 8, head);) {
            uint64_t size = 0;
            file.Uint(at + 4, 4, true, size);
            std::string packet;
            if (std::string_view(head, 4) == "_PMX" &&
                file.Payload(at + 8, std::min(size, end - at - 8), kMaxPacket, packet)) {
                choice.packet = std::move(packet);
                choice.offset = at + 8;
                choice.from = Describe("RIFF _PMX chunk", ++found);
            }
            at += 8 + size + (size & 1);  // chunks are padded to an even size
        }
        form = end + (formSize & 1);
    }
    return found > 0;
}

}  // namespace olvane_host
