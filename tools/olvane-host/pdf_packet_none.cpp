// pdf_packet_none.cpp - builds without a PDF library: a PDF's packets are scanned like any file's.
#include "format_readers.h"

namespace olvane_host {

PdfResult ReadPdfPacket(ByteSource& /*file*/, PacketChoice& /*choice*/) {
    return PdfResult::kUnknown;
}

}  // namespace olvane_host
