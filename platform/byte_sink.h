// byte_sink.h - where written text goes: a sink with a write-bytes operation (the shape of a
// stream's Write), and one that keeps it in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/com.h"

class IByteSink {
  public:
    virtual ~IByteSink() = default;
    // Writes count bytes; S_OK, or a failure code when nothing or not all could be written.
    virtual HRESULT Write(const void* data, uint32_t count) = 0;
};

// Collects everything written, in order.
class MemoryByteSink final : public IByteSink {
  public:
    HRESULT Write(const void* data, uint32_t count) override;  // E_OUTOFMEMORY when full
    const std::vector<uint8_t>& bytes() const { return m_bytes; }
    std::string str() const { return std::string(m_bytes.begin(), m_bytes.end()); }
    void Clear() { m_bytes.clear(); }

  private:
    std::vector<uint8_t> m_bytes;
};
