// text_buffer.h - TextBuffer: a reusable buffer for text of either width.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/codepage.h"

// Copies bytes (at most 32) with a few overlapping word loads and stores instead of a loop.
// Inlined where the source is a short literal, GCC warns of the word loads in branches that
// length never takes.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#endif
inline void CopyFew(void* to, const void* from, size_t bytes) {
    auto* d = static_cast<unsigned char*>(to);
    const auto* s = static_cast<const unsigned char*>(from);
    if (bytes >= 8) {
        uint64_t a = 0;
        uint64_t b = 0;
        uint64_t c = 0;
        uint64_t e = 0;
        const size_t half = bytes >= 16 ? 8 : 0;  // the second and third words, when needed
        std::memcpy(&a, s, 8);
        std::memcpy(&b, s + half, 8);
        std::memcpy(&c, s + bytes - 8 - half, 8);
        std::memcpy(&e, s + bytes - 8, 8);
        std::memcpy(d, &a, 8);
        std::memcpy(d + half, &b, 8);
        std::memcpy(d + bytes - 8 - half, &c, 8);
        std::memcpy(d + bytes - 8, &e, 8);
    } else if (bytes >= 4) {
        uint32_t a = 0;
        uint32_t b = 0;
        std::memcpy(&a, s, 4);
        std::memcpy(&b, s + bytes - 4, 4);
        std::memcpy(d, &a, 4);
        std::memcpy(d + bytes - 4, &b, 4);
    } else if (bytes > 0) {
        const unsigned char first = s[0];
        const unsigned char middle = s[bytes / 2];
        const unsigned char last = s[bytes - 1];
        d[0] = first;
        d[bytes / 2] = middle;
        d[bytes - 1] = last;
    }
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

// Text whose storage only grows: for text converted or copied over and over (the names, values and
// runs of text of a parse), where resizing a string each time (zeroing it, then cutting it back)
// costs more than converting short ASCII text does. Not NUL-terminated; size() counts.
template <class Char>
class TextBuffer {
  public:
    using View = std::basic_string_view<Char>;

    const Char* data() const { return m_units.data(); }
    size_t size() const { return m_size; }
    int length() const { return static_cast<int>(m_size); }
    View view() const { return {m_units.data(), m_size}; }

    void Assign(View text) {
        m_size = 0;
        Append(text);
    }
    void Append(View text) {
        Char* to = Room(m_size + text.size()) + m_size;
        // Most texts are a few units (a line break, an indent, a prefix): copied in place, as a
        // call to copy them costs more.
        if (text.size() <= kShort) {
            CopyFew(to, text.data(), text.size() * sizeof(Char));
        } else {
            std::copy(text.begin(), text.end(), to);
        }
        m_size += text.size();
    }
    // Lenient UTF-8, as NarrowToWide.
    void AssignUtf8(std::string_view text) requires std::is_same_v<Char, char16_t> {
        m_size = NarrowToWideUnits(text.data(), text.size(), Room(text.size()));
    }
    void AppendUtf8(std::string_view text) requires std::is_same_v<Char, char16_t> {
        m_size += NarrowToWideUnits(text.data(), text.size(), Room(m_size + text.size()) + m_size);
    }
    void Clear() { m_size = 0; }

  private:
    static constexpr size_t kShort = 16;

    // Room for count units in all. Growing is rare and kept out of line, so that the common case
    // stays small enough to be inlined where the text is written.
    Char* Room(size_t count) {
        if (m_units.size() < count) {
            Grow(count);
        }
        return m_units.data();
    }
    [[gnu::noinline]] void Grow(size_t count) {
        m_units.resize(count > 2 * m_units.size() ? count : 2 * m_units.size());
    }

    std::basic_string<Char> m_units;  // its size is the room there is, not the text's
    size_t m_size = 0;
};
using WideText = TextBuffer<char16_t>;
