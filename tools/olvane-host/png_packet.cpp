// png_packet.cpp - the XMP of a PNG: the iTXt chunk with the keyword XML:com.adobe.xmp.
#include "format_readers.h"

namespace olvane_host {

namespace {

constexpr std::string_view kKeyword{"XML:com.adobe.xmp\0", 18};

}  // namespace

bool ReadPngPacket(ContainerReader& file, PacketChoice& choice) {
    size_t found = 0;
    bool compressed = false;
    char head[8];
    for (uint64_t at = 8; file.Peek(at, 8, head);) {
        uint64_t length = 0;
        file.Uint(at, 4, false, length);
        const std::string_view type(head + 4, 4);
        if (type == "IEND") {
            break;
        }
        std::string data;
        // keyword, compression flag and method, then the language and translated keyword, each
        // ended by NUL, then the text.
        if (type == "iTXt" && length > kKeyword.size() + 2 &&
            file.Payload(at + 8, length, kMaxPacket, data) &&
            data.compare(0, kKeyword.size(), kKeyword) == 0) {
            const size_t language = data.find('\0', kKeyword.size() + 2);
            const size_t translated =
                language == std::string::npos ? language : data.find('\0', language + 1);
            if (data[kKeyword.size()] != 0) {
                compressed = true;
            } else if (translated != std::string::npos) {
                choice.packet = data.substr(translated + 1);
                choice.offset = at + 8 + translated + 1;
                choice.from = Describe("PNG XMP text chunk", ++found);
            }
        }
        at += 12 + length;  // length, type, data, CRC
    }
    if (compressed) {
        choice.notes.push_back("a compressed XMP text chunk was not read");
    }
    return found > 0;
}

}  // namespace olvane_host
