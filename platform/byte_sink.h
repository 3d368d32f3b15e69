// byte_sink.h - where written text goes: a sink with a write-bytes operation (the shape of a
// stream's Write), kept in memory or written to a file.
#pragma once

#include <cstdint>
#include <cstdio>
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

// Writes to a file that it creates (or truncates) and closes.
class FileByteSink final : public IByteSink {
  public:
    FileByteSink() = default;
    ~FileByteSink() override;
    FileByteSink(const FileByteSink&) = delete;
    FileByteSink& operator=(const FileByteSink&) = delete;

    // path is UTF-8. Closes any file already open first.
    HRESULT Open(const char* path);
    // Flushes and closes; STG_E_WRITEFAULT when the data could not all be written out.
    HRESULT Close();
    bool IsOpen() const { return m_file != nullptr; }
    // STG_E_REVERTED when no file is open, STG_E_WRITEFAULT when the write fails.
    HRESULT Write(const void* data, uint32_t count) override;

  private:
    FILE* m_file = nullptr;
};
