// pdf_packet_qpdf.cpp - the document's XMP of a PDF, read with qpdf: the catalogue's /Metadata.
//
// Finding the catalogue takes real PDF parsing (cross-reference streams, compressed object
// streams, incremental updates, filters), which qpdf does; the byte scan could only guess.
#include <qpdf/InputSource.hh>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFLogger.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "format_readers.h"

namespace olvane_host {

namespace {

// qpdf's input over a ByteSource, through one cached block: qpdf reads in small pieces.
class SourceInput : public InputSource {
  public:
    explicit SourceInput(ByteSource& source) : m_source(source) {}

    std::string const& getName() const override { return m_name; }
    qpdf_offset_t tell() override { return m_position; }
    void rewind() override { m_position = 0; }
    void unreadCh(char /*ch*/) override { m_position = std::max<qpdf_offset_t>(0, m_position - 1); }

    void seek(qpdf_offset_t offset, int whence) override {
        const qpdf_offset_t base = whence == SEEK_SET   ? 0
                                   : whence == SEEK_CUR ? m_position
                                                        : static_cast<qpdf_offset_t>(Size());
        if (base + offset < 0) {
            throw std::runtime_error("seek before the start of the file");
        }
        m_position = base + offset;
    }

    size_t read(char* buffer, size_t length) override {
        last_offset = m_position;
        const auto at = static_cast<uint64_t>(m_position);
        if (at < m_blockOffset || at >= m_blockOffset + m_block.size()) {
            m_blockOffset = at;
            m_block.clear();
            m_source.Append(
                at, static_cast<size_t>(std::min<uint64_t>(kBlock, Size() - std::min(at, Size()))),
                m_block);
            if (!m_source.Error().empty()) {
                throw std::runtime_error(m_source.Error());
            }
        }
        const size_t n = std::min<uint64_t>(length, m_blockOffset + m_block.size() - at);
        std::memcpy(buffer, m_block.data() + (at - m_blockOffset), n);
        m_position += static_cast<qpdf_offset_t>(n);
        return n;
    }

    // The offset of the next end of line; the position goes past it and any that follow.
    qpdf_offset_t findAndSkipNextEOL() override {
        char c = 0;
        while (read(&c, 1) == 1) {
            if (c == '\r' || c == '\n') {
                const qpdf_offset_t eol = m_position - 1;
                while (read(&c, 1) == 1 && (c == '\r' || c == '\n')) {
                }
                if (c != '\r' && c != '\n' && m_position > eol + 1) {
                    --m_position;
                }
                return eol;
            }
        }
        return m_position;
    }

  private:
    static constexpr size_t kBlock = 1 << 16;

    uint64_t Size() const { return m_source.Size(); }

    ByteSource& m_source;
    std::string m_name = "input";
    qpdf_offset_t m_position = 0;
    std::string m_block;
    uint64_t m_blockOffset = 0;
};

// Collects a stream's decoded data, refusing more than a packet may hold.
class Collect : public Pipeline {
  public:
    Collect() : Pipeline("olvane-host metadata", nullptr) {}
    void write(unsigned char const* data, size_t len) override {
        if (len > kMaxPacket - text.size()) {
            throw std::length_error("the document metadata is larger than a packet may be");
        }
        text.append(reinterpret_cast<const char*>(data), len);
    }
    void finish() override {}

    std::string text;
};

}  // namespace

PdfResult ReadPdfPacket(ByteSource& file, PacketChoice& choice) {
    try {
        QPDF pdf;
        // qpdf reports on standard output and error by default; the host speaks for itself.
        auto logger = QPDFLogger::create();
        logger->setInfo(logger->discard());
        logger->setWarn(logger->discard());
        logger->setError(logger->discard());
        pdf.setLogger(logger);
        pdf.setSuppressWarnings(true);
        pdf.processInputSource(std::make_shared<SourceInput>(file));
        QPDFObjectHandle metadata = pdf.getRoot().getKey("/Metadata");
        if (!metadata.isStream()) {
            return PdfResult::kNone;
        }
        Collect data;
        if (!metadata.pipeStreamData(&data, 0, qpdf_dl_generalized, true)) {
            throw std::runtime_error("its document metadata stream cannot be decoded");
        }
        choice.packet = std::move(data.text);
        choice.offset =
            static_cast<uint64_t>(std::max<qpdf_offset_t>(0, metadata.getParsedOffset()));
        choice.from = "PDF document metadata (the catalogue's /Metadata stream)";
        return PdfResult::kFound;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        choice.notes.push_back(std::string("the PDF could not be read (") + e.what() +
                               "); its packets were scanned");
        return PdfResult::kUnknown;
    }
}

}  // namespace olvane_host
