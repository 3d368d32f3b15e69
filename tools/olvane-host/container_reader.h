// container_reader.h - record headers and payloads of a file container, read through a small cache.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "byte_source.h"

namespace olvane_host {

// The format readers walk containers header by header; the cache turns thousands of small header
// reads into a few block reads, and every read is checked against the file's end, so that a
// hostile length can only end the walk.
class ContainerReader {
  public:
    explicit ContainerReader(ByteSource& source) : m_source(source) {}

    uint64_t Size() const { return m_source.Size(); }

    // Reads n (at most kBlock) bytes at offset into out; false past the end or on a read error.
    bool Peek(uint64_t offset, size_t n, char* out);

    // An unsigned integer of bytes (1 to 8) bytes at offset, in the given byte order.
    bool Uint(uint64_t offset, size_t bytes, bool littleEndian, uint64_t& value);

    // Reads size bytes at offset into out (replacing it); false when they are not all there or
    // there are more than maxSize.
    bool Payload(uint64_t offset, uint64_t size, uint64_t maxSize, std::string& out);

    static constexpr size_t kBlock = 1 << 16;

  private:
    ByteSource& m_source;
    std::string m_block;
    uint64_t m_blockOffset = 0;
};

}  // namespace olvane_host
