// format_readers.h - the packet each container format keeps in its own place.
#pragma once

#include <string_view>

#include "container_reader.h"
#include "packet_choice.h"

namespace olvane_host {

// Each reader walks its container's records and, when it finds the format's XMP record, fills
// choice (packet, from, offset) and returns true; several records: the last one, the writer's
// newest. False when the file holds no such record or its structure breaks off before one; the
// caller then scans the file. Readers may add notes either way.
bool ReadJpegPacket(ContainerReader& file, PacketChoice& choice);
bool ReadTiffPacket(ContainerReader& file, PacketChoice& choice);
bool ReadPngPacket(ContainerReader& file, PacketChoice& choice);
bool ReadRiffPacket(ContainerReader& file, PacketChoice& choice);
bool ReadBmffPacket(ContainerReader& file, PacketChoice& choice);
// The document's packet: the stream the catalogue's /Metadata names. kNone when the PDF was read
// and has none; kUnknown when it could not be read, or the build has no PDF library: the caller
// then scans the file.
enum class PdfResult { kFound, kNone, kUnknown };
PdfResult ReadPdfPacket(ByteSource& file, PacketChoice& choice);

// Extended XMP of a JPEG: the main packet's rdf:RDF gains the Descriptions of the extension's
// rdf:RDF (and the namespace declarations they rely on there). False when either lacks one.
bool MergeExtendedXmp(std::string& main, std::string_view extension);

// "KIND", or "KIND, the last of N" when several were found.
std::string Describe(std::string_view kind, size_t count);

}  // namespace olvane_host
