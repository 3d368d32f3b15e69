// jpeg_packet.cpp - the XMP of a JPEG: its APP1 packet and the extended XMP reassembled with it.
#include <algorithm>
#include <cctype>
#include <map>

#include "format_readers.h"

namespace olvane_host {

namespace {

constexpr std::string_view kMainSignature{"http://ns.adobe.com/xap/1.0/\0", 29};
constexpr std::string_view kExtensionSignature{"http://ns.adobe.com/xmp/extension/\0", 35};
constexpr size_t kGuidSize = 32;
// After the signature: the GUID, the full length and this part's offset (big-endian).
constexpr size_t kExtensionHeader = kExtensionSignature.size() + kGuidSize + 8;

// The parts of one extension as they were found, by offset.
struct Extension {
    uint64_t fullLength = 0;
    bool consistent = true;
    std::map<uint64_t, std::string> parts;
};

// The GUID that xmpNote:HasExtendedXMP names, as an attribute or as element text; empty if none.
std::string NamedExtension(std::string_view packet) {
    size_t at = packet.find("HasExtendedXMP");
    if (at == std::string_view::npos) {
        return {};
    }
    at += std::string_view("HasExtendedXMP").size();
    for (int skipped = 0; at < packet.size() && skipped < 4; ++at, ++skipped) {
        if (std::isxdigit(static_cast<unsigned char>(packet[at]))) {
            break;
        }
    }
    const std::string_view guid = packet.substr(at, kGuidSize);
    const bool hex = guid.size() == kGuidSize && std::all_of(guid.begin(), guid.end(), [](char c) {
                         return std::isxdigit(static_cast<unsigned char>(c)) != 0;
                     });
    return hex ? std::string(guid) : std::string();
}

// The extension's text when its parts cover it from start to end; notes what is missing otherwise.
bool Assemble(const Extension& extension, std::string& text, PacketChoice& choice) {
    uint64_t covered = 0;
    for (const auto& [offset, data] : extension.parts) {
        if (offset > covered) {
            break;
        }
        covered = std::max(covered, offset + data.size());
    }
    if (!extension.consistent || covered < extension.fullLength) {
        choice.notes.push_back("the extended XMP is incomplete (" +
                               std::to_string(std::min(covered, extension.fullLength)) + " of " +
                               std::to_string(extension.fullLength) +
                               " bytes); only the main packet is read");
        return false;
    }
    text.assign(extension.fullLength, ' ');
    for (const auto& [offset, data] : extension.parts) {
        const uint64_t n = std::min<uint64_t>(data.size(), extension.fullLength - offset);
        text.replace(offset, n, data, 0, n);
    }
    return true;
}

class JpegWalk {
  public:
    JpegWalk(ContainerReader& file, PacketChoice& choice) : m_file(file), m_choice(choice) {}

    // Reads the segments up to the image data; true when a main packet was found.
    bool Run() {
        uint64_t at = 2;
        char head[4];
        while (m_file.Peek(at, 4, head) && static_cast<unsigned char>(head[0]) == 0xFF) {
            const auto marker = static_cast<unsigned char>(head[1]);
            if (marker == 0xFF) {  // fill byte
                ++at;
                continue;
            }
            if (marker == 0xDA || marker == 0xD9) {  // image data or end of image
                break;
            }
            if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // no length
                at += 2;
                continue;
            }
            const uint64_t length =
                (static_cast<unsigned char>(head[2]) << 8) | static_cast<unsigned char>(head[3]);
            if (length < 2) {
                break;
            }
            if (marker == 0xE1) {
                Segment(at + 4, length - 2);
            }
            at += 2 + length;
        }
        return m_mains > 0;
    }

    void AddExtension() {
        const std::string guid = NamedExtension(m_choice.packet);
        size_t others = 0;
        for (const auto& [id, extension] : m_extensions) {
            others += id == guid ? 0 : extension.parts.size();
        }
        if (others > 0) {
            m_choice.notes.push_back(
                "extended XMP segments that the packet does not name were "
                "ignored: " +
                std::to_string(others));
        }
        if (guid.empty()) {
            return;
        }
        const auto named = m_extensions.find(guid);
        if (named == m_extensions.end()) {
            m_choice.notes.push_back("the packet names extended XMP " + guid +
                                     " that the file does not hold");
            return;
        }
        std::string text;
        if (!Assemble(named->second, text, m_choice)) {
            return;
        }
        if (!MergeExtendedXmp(m_choice.packet, text)) {
            m_choice.notes.push_back(
                "the extended XMP could not be merged (no rdf:RDF element); only the main packet "
                "is read");
            return;
        }
        m_choice.from +=
            ", with extended XMP from " + std::to_string(named->second.parts.size()) + " segments";
    }

  private:
    void Segment(uint64_t at, uint64_t size) {
        char head[kExtensionHeader];
        const size_t n = static_cast<size_t>(std::min<uint64_t>(size, kExtensionHeader));
        if (!m_file.Peek(at, n, head)) {
            return;
        }
        const std::string_view start(head, n);
        if (start.substr(0, kMainSignature.size()) == kMainSignature) {
            const uint64_t offset = at + kMainSignature.size();
            std::string packet;
            if (m_file.Payload(offset, size - kMainSignature.size(), kMaxPacket, packet)) {
                m_choice.packet = std::move(packet);
                m_choice.offset = offset;
                m_choice.from = Describe("JPEG XMP segment", ++m_mains);
            }
        } else if (n == kExtensionHeader &&
                   start.substr(0, kExtensionSignature.size()) == kExtensionSignature) {
            Part(at, size, std::string(start.substr(kExtensionSignature.size(), kGuidSize)));
        }
    }

    void Part(uint64_t at, uint64_t size, const std::string& guid) {
        uint64_t fullLength = 0;
        uint64_t offset = 0;
        const uint64_t numbers = at + kExtensionSignature.size() + kGuidSize;
        std::string data;
        if (!m_file.Uint(numbers, 4, false, fullLength) ||
            !m_file.Uint(numbers + 4, 4, false, offset) || fullLength > kMaxPacket ||
            offset >= fullLength || m_held + size > kMaxPacket ||
            !m_file.Payload(at + kExtensionHeader, size - kExtensionHeader, kMaxPacket, data)) {
            return;
        }
        m_held += data.size();
        Extension& extension = m_extensions[guid];
        if (extension.parts.empty()) {
            extension.fullLength = fullLength;
        }
        extension.consistent = extension.consistent && extension.fullLength == fullLength;
        extension.parts[offset] = std::move(data);
    }

    ContainerReader& m_file;
    PacketChoice& m_choice;
    size_t m_mains = 0;
    uint64_t m_held = 0;  // bytes of extension parts held, bounded like a packet
    std::map<std::string, Extension> m_extensions;
};

}  // namespace

bool ReadJpegPacket(ContainerReader& file, PacketChoice& choice) {
    JpegWalk walk(file, choice);
    if (!walk.Run()) {
        return false;
    }
    walk.AddExtension();
    return true;
}

}  // namespace olvane_host
