// bmff_packet.cpp - the XMP of an MP4 or QuickTime file: the XMP uuid box, or moov/udta/XMP_.
#include "format_readers.h"

namespace olvane_host {

namespace {

constexpr std::string_view kXmpUuid{
    "\xBE\x7A\xCF\xCB\x97\xA9\x42\xE8\x9C\x71\x99\x94\x91\xE3\xAF\xAC", 16};

class BoxWalk {
  public:
    BoxWalk(ContainerReader& file, PacketChoice& choice) : m_file(file), m_choice(choice) {}

    // Walks the boxes in [from, to); depth 0 is the top level.
    void Run(uint64_t from, uint64_t to, int depth) {
        char head[16];
        for (uint64_t at = from; at + 8 <= to && m_file.Peek(at, 8, head);) {
            uint64_t size = 0;
            uint64_t header = 8;
            m_file.Uint(at, 4, false, size);
            if (size == 1 && m_file.Uint(at + 8, 8, false, size)) {
                header = 16;
            } else if (size == 0) {  // to the end of the enclosing box
                size = to - at;
            }
            if (size < header || size > to - at) {
                return;
            }
            const std::string type(head + 4, 4);  // head is read into again below
            if (depth == 0 && type == "uuid" && m_file.Peek(at + header, 16, head) &&
                std::string_view(head, 16) == kXmpUuid) {
                Take(at + header + 16, size - header - 16, "MP4 XMP box");
            } else if ((depth == 0 && type == "moov") || (depth == 1 && type == "udta")) {
                Run(at + header, at + size, depth + 1);
            } else if (depth == 2 && type == "XMP_") {
                Take(at + header, size - header, "QuickTime XMP_ box");
            }
            at += size;
        }
    }

    size_t Found() const { return m_found; }

  private:
    void Take(uint64_t at, uint64_t size, std::string_view kind) {
        std::string packet;
        if (m_file.Payload(at, size, kMaxPacket, packet)) {
            m_choice.packet = std::move(packet);
            m_choice.offset = at;
            m_choice.from = Describe(kind, ++m_found);
        }
    }

    ContainerReader& m_file;
    PacketChoice& m_choice;
    size_t m_found = 0;
};

}  // namespace

bool ReadBmffPacket(ContainerReader& file, PacketChoice& choice) {
    BoxWalk walk(file, choice);
    walk.Run(0, file.Size(), 0);
    return walk.Found() > 0;
}

}  // namespace olvane_host
