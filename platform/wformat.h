// wformat.h - printf-style formatting of UTF-16 formats.
//
// Conversions: %s (const char16_t*, null prints "(null)"), %c (char16_t passed as int), %d %i %u %x
// %X %o (int; with l / ll / z / j / t: long, long long, size_t, intmax_t, ptrdiff_t), %p, %%. Flags
// - 0 + space #, width and precision (numbers or *). Formats are always the program's own: never
// pass data as a format.
#pragma once

#include <cstdarg>
#include <string>

std::u16string FormatWideV(const char16_t* format, va_list args);
std::u16string FormatWide(const char16_t* format, ...);
// Appends to out; at most maxChars characters are kept when maxChars is not npos (a bounded
// formatter).
void AppendFormatWideV(std::u16string& out, const char16_t* format, va_list args,
                       size_t maxChars = std::u16string::npos);
