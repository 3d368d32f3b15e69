// packet_choice.cpp - which packet of a file the plug-in is handed: sidecar, format rule, scan.
#include "packet_choice.h"

#include <algorithm>

#include "container_reader.h"
#include "format_readers.h"

namespace olvane_host {

namespace {

constexpr size_t kScanChunk = size_t{1} << 20;
constexpr size_t kHead = 1 << 16;  // how far a sidecar's prolog may reach
constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Whether head starts an XML document whose element is x:xmpmeta or rdf:RDF: after an optional
// byte order mark come only blanks, processing instructions, comments and a document type.
bool IsSidecar(std::string_view head) {
    size_t at = head.substr(0, kBom.size()) == kBom ? kBom.size() : 0;
    for (;;) {
        while (at < head.size() && IsSpace(head[at])) {
            ++at;
        }
        const std::string_view rest = head.substr(at);
        const auto past = [&](std::string_view end, size_t from) {
            const size_t found = rest.find(end, from);
            return found == std::string_view::npos ? found : found + end.size();
        };
        size_t skip = std::string_view::npos;
        if (rest.substr(0, 2) == "<?") {
            skip = past("?>", 2);
        } else if (rest.substr(0, 4) == "<!--") {
            skip = past("-->", 4);
        } else if (rest.substr(0, 9) == "<!DOCTYPE") {
            const size_t subset = rest.find('[');
            skip = subset < rest.find('>') ? past("]>", subset) : past(">", 0);
        } else {
            const size_t end = rest.find_first_of(" \t\r\n/>");
            const std::string_view name = rest.substr(0, std::min(end, rest.size()));
            return end != std::string_view::npos && (name == "<x:xmpmeta" || name == "<rdf:RDF");
        }
        if (skip == std::string_view::npos) {
            return false;
        }
        at += skip;
    }
}

ChoiceResult ReadSidecar(ByteSource& source, PacketChoice& choice, std::string& error) {
    if (!source.Append(0, static_cast<size_t>(source.Size()), choice.packet)) {
        error = source.Error().empty() ? "the file changed while it was read" : source.Error();
        return ChoiceResult::kFailed;
    }
    // The plug-in takes the packet as UTF-8 text; the mark is no part of it.
    if (std::string_view(choice.packet).substr(0, kBom.size()) == kBom) {
        choice.packet.erase(0, kBom.size());
        choice.offset = kBom.size();
    }
    choice.from = "sidecar (the whole file)";
    return ChoiceResult::kChosen;
}

// Reads the whole file through the scanner; the last complete packet is the writer's newest.
bool Scan(ByteSource& source, PacketScanner& scanner) {
    std::string chunk;
    for (uint64_t at = 0; at < source.Size(); at += chunk.size()) {
        chunk.clear();
        if (!source.Append(at,
                           static_cast<size_t>(std::min<uint64_t>(kScanChunk, source.Size() - at)),
                           chunk) ||
            chunk.empty()) {
            break;
        }
        scanner.Feed(chunk);
    }
    scanner.Finish();
    return source.Error().empty();
}

std::string NoPacket(const PacketScanner& scanner) {
    if (scanner.GaveUpOversized()) {
        return "no XMP packet found (a packet larger than " + std::to_string(kMaxPacket >> 20) +
               " MiB was skipped)";
    }
    if (scanner.SawUnfinished()) {
        return "no XMP packet found (a packet starts but never ends)";
    }
    return "no XMP packet found";
}

enum class Format { kOther, kJpeg, kTiff, kPng, kRiff, kBmff, kPdf };

Format Sniff(std::string_view head) {
    const auto starts = [&](std::string_view magic) {
        return head.substr(0, magic.size()) == magic;
    };
    if (starts("\xFF\xD8\xFF")) {
        return Format::kJpeg;
    }
    if (starts(std::string_view("II*\0", 4)) || starts(std::string_view("MM\0*", 4)) ||
        starts(std::string_view("II+\0", 4)) || starts(std::string_view("MM\0+", 4))) {
        return Format::kTiff;
    }
    if (starts("\x89PNG\r\n\x1A\n")) {
        return Format::kPng;
    }
    if (starts("RIFF")) {
        return Format::kRiff;
    }
    const std::string_view box = head.substr(std::min<size_t>(4, head.size()), 4);
    if (box == "ftyp" || box == "moov" || box == "mdat" || box == "wide" || box == "free") {
        return Format::kBmff;
    }
    // A PDF header may follow some bytes of junk.
    if (head.substr(0, 1024).find("%PDF-") != std::string_view::npos) {
        return Format::kPdf;
    }
    return Format::kOther;
}

bool ReadByFormat(Format format, ByteSource& source, PacketChoice& choice) {
    ContainerReader file(source);
    switch (format) {
        case Format::kJpeg:
            return ReadJpegPacket(file, choice);
        case Format::kTiff:
            return ReadTiffPacket(file, choice);
        case Format::kPng:
            return ReadPngPacket(file, choice);
        case Format::kRiff:
            return ReadRiffPacket(file, choice);
        case Format::kBmff:
            return ReadBmffPacket(file, choice);
        default:
            return false;
    }
}

ChoiceResult Choose(ByteSource& source, const std::string& head, PacketChoice& choice,
                    std::string& error) {
    if (source.Size() <= kMaxPacket && IsSidecar(head)) {
        return ReadSidecar(source, choice, error);
    }
    const Format format = Sniff(head);
    if (format == Format::kPdf) {
        const PdfResult pdf = ReadPdfPacket(source, choice);
        if (pdf == PdfResult::kNone) {
            error = "no XMP packet found (the PDF has no document metadata)";
            return ChoiceResult::kNoPacket;
        }
        if (pdf == PdfResult::kFound) {
            return ChoiceResult::kChosen;
        }
    } else if (ReadByFormat(format, source, choice)) {
        return ChoiceResult::kChosen;
    }
    if (!source.Error().empty()) {
        error = source.Error();
        return ChoiceResult::kFailed;
    }
    PacketScanner scanner;
    if (!Scan(source, scanner)) {
        error = source.Error();
        return ChoiceResult::kFailed;
    }
    if (!scanner.Found()) {
        error = NoPacket(scanner);
        return ChoiceResult::kNoPacket;
    }
    choice.offset = scanner.Offset();
    choice.from = Describe("packet found by scanning", scanner.Count());
    choice.packet = scanner.TakePacket();
    return ChoiceResult::kChosen;
}

}  // namespace

std::string Describe(std::string_view kind, size_t count) {
    std::string text(kind);
    if (count > 1) {
        text += ", the last of " + std::to_string(count);
    }
    return text;
}

ChoiceResult ChoosePacket(ByteSource& source, bool listAll, PacketChoice& choice,
                          std::string& error) {
    std::string head;
    source.Append(0, static_cast<size_t>(std::min<uint64_t>(kHead, source.Size())), head);
    ChoiceResult result = Choose(source, head, choice, error);
    if (result == ChoiceResult::kChosen) {
        // Format records may be padded with NULs; the plug-in would stop at the first anyway.
        while (!choice.packet.empty() && choice.packet.back() == '\0') {
            choice.packet.pop_back();
        }
        if (choice.packet.find('\0') != std::string::npos) {
            error = "the XMP packet holds NUL bytes (only UTF-8 packets are supported)";
            result = ChoiceResult::kFailed;
        }
    }
    if (listAll && result != ChoiceResult::kFailed) {
        PacketScanner scanner;
        Scan(source, scanner);
        choice.listed = scanner.Listed();
        choice.listedCount = scanner.Count();
    }
    return result;
}

}  // namespace olvane_host
