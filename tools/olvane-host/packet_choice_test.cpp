// packet_choice_test.cpp - the packet chosen from each kind of container, whole or broken.
#include "packet_choice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace olvane_host {
namespace {

using namespace std::string_literals;

std::string Be(uint64_t value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return out;
}

std::string Le(uint64_t value, int bytes) {
    const std::string out = Be(value, bytes);
    return {out.rbegin(), out.rend()};
}

const std::string kMain =
    "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='R'><rdf:Description "
    "xmlns:xmpNote='N' xmpNote:HasExtendedXMP='0123456789ABCDEF0123456789ABCDEF'/></rdf:RDF>"
    "</x:xmpmeta>";
const std::string kExtension = "<x:xmpmeta><rdf:RDF><rdf:Description/></rdf:RDF></x:xmpmeta>";
const std::string kPlain = "<x:xmpmeta>plain</x:xmpmeta>";

std::string Segment(char marker, const std::string& payload) {
    return "\xFF"s + marker + Be(payload.size() + 2, 2) + payload;
}

std::string Jpeg(const std::string& segments) {
    return "\xFF\xD8"s + segments + "\xFF\xDA\x00\x02\x3F\xFF\xD9"s;
}

std::string MainSegment(const std::string& packet) {
    return Segment('\xE1', "http://ns.adobe.com/xap/1.0/\0"s + packet);
}

std::string ExtensionPart(size_t from, size_t size) {
    return Segment('\xE1', "http://ns.adobe.com/xmp/extension/\0"s +
                               "0123456789ABCDEF0123456789ABCDEF" + Be(kExtension.size(), 4) +
                               Be(from, 4) + kExtension.substr(from, size));
}

// Big-endian, as the test files' TIFF is not.
std::string BigTiff(const std::string& packet) {
    return "MM"s + Be(43, 2) + Be(8, 2) + Be(0, 2) + Be(16, 8) + Be(1, 8) + Be(700, 2) + Be(1, 2) +
           Be(packet.size(), 8) + Be(52, 8) + Be(0, 8) + packet;
}

std::string Riff(uint64_t size, const std::string& form, const std::string& chunks) {
    return "RIFF" + Le(size, 4) + form + chunks;
}

std::string RiffChunk(const std::string& id, const std::string& data) {
    return id + Le(data.size(), 4) + data + (data.size() % 2 == 1 ? "\0"s : "");
}

std::string Box(const std::string& type, const std::string& data) {
    return Be(data.size() + 8, 4) + type + data;
}

struct Case {
    const char* what;
    std::string bytes;
    ChoiceResult result;
    std::string from;
    std::string packet;  // or the error
    std::string note;    // a note that must be given, or none at all
};

TEST(ChoosePacket, EachContainerGivesItsOwnPacketAndBrokenOnesFallBackToTheScan) {
    const size_t half = kExtension.size() / 2;
    const std::vector<Case> cases = {
        {"extended XMP with a part missing", Jpeg(MainSegment(kMain) + ExtensionPart(0, half)),
         ChoiceResult::kChosen, "JPEG XMP segment", kMain,
         "the extended XMP is incomplete (" + std::to_string(half) + " of " +
             std::to_string(kExtension.size()) + " bytes)"},
        {"two main segments",
         Jpeg(MainSegment(kMain) + Segment('\xE0', "JFIF") + MainSegment(kPlain)),
         ChoiceResult::kChosen, "JPEG XMP segment, the last of 2", kPlain, ""},
        {"BigTIFF, the packet padded with NULs", BigTiff(kPlain + "\0\0\0"s), ChoiceResult::kChosen,
         "TIFF XMP tag", kPlain, ""},
        {"PNG, compressed",
         "\x89PNG\r\n\x1A\n"s + Be(24, 4) + "iTXtXML:com.adobe.xmp\0\1\0\0\0x\x9C"s + "CRC!",
         ChoiceResult::kNoPacket, "", "no XMP packet found",
         "a compressed XMP text chunk was not read"},
        {"WAV with an odd chunk and a form size past the end",
         Riff(
             0xFFFFFFFF, "WAVE",
             RiffChunk("_PMX", kPlain + " ") + RiffChunk("data", "xyz") + RiffChunk("_PMX", kMain)),
         ChoiceResult::kChosen, "RIFF _PMX chunk, the last of 2", kMain, ""},
        {"AVI with the packet in its second RIFF form",
         Riff(4, "AVI ", "") + Riff(4 + 8 + kPlain.size(), "AVIX", RiffChunk("_PMX", kPlain)),
         ChoiceResult::kChosen, "RIFF _PMX chunk", kPlain, ""},
        {"MP4 after a box with a 64-bit size",
         Box("ftyp", "isom") + Be(1, 4) + "free" + Be(16, 8) +
             Box("uuid",
                 "\xBE\x7A\xCF\xCB\x97\xA9\x42\xE8\x9C\x71\x99\x94\x91\xE3\xAF\xAC"s + kMain),
         ChoiceResult::kChosen, "MP4 XMP box", kMain, ""},
        {"a box claiming more than the file",
         Box("ftyp", "isom") + Be(1, 4) + "mdat" + Be(1ull << 40, 8) + kPlain,
         ChoiceResult::kChosen, "packet found by scanning", kPlain, ""},
        {"a sidecar behind a mark, a comment and a document type",
         "\xEF\xBB\xBF<!-- c --><!DOCTYPE rdf:RDF [<!ENTITY a 'b'>]>\n<rdf:RDF xmlns:rdf='R'/>"s,
         ChoiceResult::kChosen, "sidecar (the whole file)",
         "<!-- c --><!DOCTYPE rdf:RDF [<!ENTITY a 'b'>]>\n<rdf:RDF xmlns:rdf='R'/>", ""},
        {"XML with another document element",
         "<?xml version='1.0'?><svg><metadata>" + kPlain + "</metadata></svg>",
         ChoiceResult::kChosen, "packet found by scanning", kPlain, ""},
        {"a packet holding NUL", "<x:xmpmeta>a\0b</x:xmpmeta>"s, ChoiceResult::kFailed,
         "sidecar (the whole file)",
         "the XMP packet holds NUL bytes (only UTF-8 packets are supported)", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemorySource source(c.bytes);
        PacketChoice choice;
        std::string error;
        const ChoiceResult result = ChoosePacket(source, false, choice, error);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(result == ChoiceResult::kChosen ? choice.packet : error, c.packet);
        EXPECT_EQ(choice.from, c.from);
        if (c.note.empty()) {
            EXPECT_TRUE(choice.notes.empty()) << choice.notes.front();
        } else {
            ASSERT_FALSE(choice.notes.empty());
            EXPECT_EQ(choice.notes.front().substr(0, c.note.size()), c.note);
        }
        if (result == ChoiceResult::kChosen) {
            EXPECT_EQ(c.bytes.substr(choice.offset, c.packet.size()), c.packet);
        }
    }
}

}  // namespace
}  // namespace olvane_host
