// container_reader.cpp - record headers and payloads of a file container, read through a small
// cache.
#include "container_reader.h"

#include <algorithm>
#include <cstring>

namespace olvane_host {

bool ContainerReader::Peek(uint64_t offset, size_t n, char* out) {
    if (n > kBlock || offset > Size() || n > Size() - offset) {
        return false;
    }
    if (offset < m_blockOffset || offset + n > m_blockOffset + m_block.size()) {
        m_block.clear();
        m_blockOffset = offset;
        m_source.Append(offset, static_cast<size_t>(std::min<uint64_t>(kBlock, Size() - offset)),
                        m_block);
        if (m_block.size() < n) {
            return false;
        }
    }
    std::memcpy(out, m_block.data() + (offset - m_blockOffset), n);
    return true;
}

bool ContainerReader::Uint(uint64_t offset, size_t bytes, bool littleEndian, uint64_t& value) {
    unsigned char raw[8];
    if (bytes == 0 || bytes > sizeof raw || !Peek(offset, bytes, reinterpret_cast<char*>(raw))) {
        return false;
    }
    value = 0;
    for (size_t i = 0; i < bytes; ++i) {
        value = (value << 8) | raw[littleEndian ? bytes - 1 - i : i];
    }
    return true;
}

bool ContainerReader::Payload(uint64_t offset, uint64_t size, uint64_t maxSize, std::string& out) {
    out.clear();
    return size <= maxSize && m_source.Append(offset, static_cast<size_t>(size), out);
}

}  // namespace olvane_host
