// text.h - UTF-8 / UTF-16 conversion and the small text helpers of the table output.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace olvane_host {

// UTF-8 to UTF-16; nothing when the text is not valid UTF-8 (the caller names the file).
std::optional<std::u16string> Utf8ToUtf16(std::string_view text);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD so that the result is always valid UTF-8.
std::string Utf16ToUtf8(std::u16string_view text);

// Number of code points, which is what a terminal column count comes closest to for our values.
size_t DisplayWidth(std::string_view utf8);

// Control characters spelt out (\n, \t, \xNN) so that a value stays on its table row.
std::string EscapeControls(std::string_view utf8);

// Cuts a value to at most width code points, marking the cut with "...".
std::string Ellipsize(std::string_view utf8, size_t width);

// Leading and trailing blanks (space, tab, CR, LF) removed.
std::string_view Trim(std::string_view text);

}  // namespace olvane_host
