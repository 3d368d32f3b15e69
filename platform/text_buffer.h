// text_buffer.h - TextBuffer: a reusable buffer for text of either width.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/codepage.h"

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
            for (size_t i = 0; i < text.size(); ++i) {
                to[i] = text[i];
            }
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
