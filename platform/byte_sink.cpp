// byte_sink.cpp - the memory- and file-backed byte sinks.
#include "platform/byte_sink.h"

#include <cerrno>
#include <new>

HRESULT MemoryByteSink::Write(const void* data, uint32_t count) {
    if (count == 0) {
        return S_OK;
    }
    if (data == nullptr) {
        return E_POINTER;
    }
    const auto* p = static_cast<const uint8_t*>(data);
    try {
        m_bytes.insert(m_bytes.end(), p, p + count);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;  // a stream reports a full medium; it does not throw
    }
    return S_OK;
}

FileByteSink::~FileByteSink() {
    Close();
}

HRESULT FileByteSink::Open(const char* path) {
    Close();
    if (path == nullptr) {
        return E_POINTER;
    }
    m_file = std::fopen(path, "wb");
    if (m_file == nullptr) {
        return errno == ENOENT || errno == ENOTDIR ? E_FILE_NOT_FOUND
               : errno == EACCES                   ? E_ACCESS_DENIED
                                                   : E_FAIL;
    }
    return S_OK;
}

HRESULT FileByteSink::Close() {
    if (m_file == nullptr) {
        return S_OK;
    }
    const int rc = std::fclose(m_file);
    m_file = nullptr;
    return rc == 0 ? S_OK : STG_E_WRITEFAULT;
}

HRESULT FileByteSink::Write(const void* data, uint32_t count) {
    if (m_file == nullptr) {
        return STG_E_REVERTED;
    }
    if (count == 0) {
        return S_OK;
    }
    if (data == nullptr) {
        return E_POINTER;
    }
    return std::fwrite(data, 1, count, m_file) == count ? S_OK : STG_E_WRITEFAULT;
}
