// packet_reader.h - PacketReader: flattens a UTF-8 packet into qualified-name/value pairs as the
// SAX reader delivers it.
//
// The pairs, their values and the order in which they are set are exactly those of parsing the
// packet into an element tree, mirroring it as a CMetaDataTree and flattening that; only no
// element, no mirror node and no per-node string is ever built, which is most of the cost of a
// large packet. The tree path stays the reference (CMetaDataTree::Load, CMetaData::Flatten) and
// the tests hold the two to the same answers. The events come in UTF-8 where the SAX reader
// offers them and in UTF-16 where it does not (zev/sax_dual_handler.h).
#pragma once

#include <cstddef>

#include "metadata/value_map.h"
#include "platform/com.h"
#include "zev/sax_dual_handler.h"

class PacketReader {
  public:
    // Parses length bytes of UTF-8 and adds the packet's pairs to pairs. 0 when the whole packet
    // was read; otherwise the reader's failure code, and pairs may hold the pairs of the part
    // read before the failure. Allocation failure throws std::bad_alloc.
    static HRESULT Read(const char* packet, size_t length, ValueMap& pairs,
                        zev::SaxEvents events = zev::SaxEvents::kUtf8WhereOffered);
};
