// byte_sink.cpp - the memory-backed byte sink.
#include "platform/byte_sink.h"

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
