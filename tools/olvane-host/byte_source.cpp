// byte_source.cpp - the platform-neutral parts of ByteSource.
#include "byte_source.h"

#include <algorithm>
#include <cstring>

namespace olvane_host {

bool ByteSource::Append(uint64_t offset, size_t size, std::string& out) {
    // A length read from a hostile header must not become an allocation.
    if (offset > Size() || size > Size() - offset) {
        return false;
    }
    const size_t start = out.size();
    out.resize(start + size);
    const size_t got = ReadAt(offset, out.data() + start, size);
    out.resize(start + got);
    return got == size;
}

size_t MemorySource::ReadAt(uint64_t offset, char* buffer, size_t size) {
    if (offset >= m_bytes.size()) {
        return 0;
    }
    const size_t n = std::min<uint64_t>(size, m_bytes.size() - offset);
    std::memcpy(buffer, m_bytes.data() + offset, n);
    return n;
}

}  // namespace olvane_host
