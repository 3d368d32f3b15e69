// byte_source.h - a file read at any offset, so that containers are walked without being held.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace olvane_host {

// Reads at offsets rather than in sequence: the format readers jump from record header to record
// header and the byte scan reads in chunks, so memory never grows with the file. Opening is the
// platform's (byte_source_posix.cpp); everything above works on this interface.
class ByteSource {
  public:
    virtual ~ByteSource() = default;

    virtual uint64_t Size() const = 0;

    // Reads up to size bytes at offset into buffer and returns how many; fewer only at the end.
    // On a read error returns 0 and sets Error(), which stays set.
    virtual size_t ReadAt(uint64_t offset, char* buffer, size_t size) = 0;

    // Appends up to size bytes at offset to out; false when fewer were there or reading failed.
    bool Append(uint64_t offset, size_t size, std::string& out);

    const std::string& Error() const { return m_error; }

  protected:
    std::string m_error;
};

// Bytes held in memory; for data that is already there (tests, fuzzing). Holds a view: the bytes
// must outlive it.
class MemorySource : public ByteSource {
  public:
    explicit MemorySource(std::string_view bytes) : m_bytes(bytes) {}
    uint64_t Size() const override { return m_bytes.size(); }
    size_t ReadAt(uint64_t offset, char* buffer, size_t size) override;

  private:
    std::string_view m_bytes;
};

// Opens path, or standard input for "-" (copied to an unlinked temporary file first when it
// cannot be read at offsets, such as a pipe). Null with the system's reason on failure; missing is
// set when the file does not exist.
std::unique_ptr<ByteSource> OpenByteSource(const std::string& path, std::string& error,
                                           bool* missing = nullptr);

}  // namespace olvane_host
