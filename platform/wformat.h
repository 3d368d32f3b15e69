// wformat.h - printf-style formatting of UTF-16 formats, reduced to what the library's own formats
// use: %s (const char16_t*, null prints "(null)"), %d (int), %zx (size_t), %%; the flags - and 0,
// a width and a precision. Any other conversion is copied as written. Formats are always the
// program's own: never pass data as a format.
#pragma once

#include <cstdarg>
#include <string>

// Appends to out; at most maxChars characters are kept when maxChars is not npos (a bounded
// formatter).
void AppendFormatWideV(std::u16string& out, const char16_t* format, va_list args,
                       size_t maxChars = std::u16string::npos);
