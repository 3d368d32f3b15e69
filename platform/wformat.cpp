// wformat.cpp - a small vsnprintf for UTF-16, written out so that results never depend on the C
// library's wide-character support or the process locale.
#include "platform/wformat.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

struct Conversion {
    bool left = false;
    bool zero = false;
    bool plus = false;
    bool space = false;
    bool alt = false;
    int width = 0;
    int precision = -1;
};

class Writer {
  public:
    Writer(std::u16string& out, size_t limit) : m_out(out), m_limit(limit) {}
    void Put(char16_t c) {
        if (m_written < m_limit) {
            m_out.push_back(c);
        }
        ++m_written;
    }
    void Put(const char16_t* s, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            Put(s[i]);
        }
    }
    void Pad(char16_t c, int n) {
        for (int i = 0; i < n; ++i) {
            Put(c);
        }
    }

  private:
    std::u16string& m_out;
    size_t m_limit;
    size_t m_written = 0;
};

void EmitPadded(Writer& w, const Conversion& conv, const char16_t* body, size_t len) {
    const int pad = conv.width > static_cast<int>(len) ? conv.width - static_cast<int>(len) : 0;
    if (!conv.left) {
        w.Pad(u' ', pad);
    }
    w.Put(body, len);
    if (conv.left) {
        w.Pad(u' ', pad);
    }
}

void EmitInteger(Writer& w, const Conversion& conv, uintmax_t magnitude, bool negative,
                 unsigned base, bool upper) {
    char16_t digits[80];
    int n = 0;
    const char* table = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    while (magnitude != 0) {
        digits[n++] = static_cast<char16_t>(table[magnitude % base]);
        magnitude /= base;
    }
    // Precision: the minimum number of digits; precision 0 with value 0 prints no digit.
    const int minDigits = conv.precision < 0 ? 1 : conv.precision;
    int zeros = minDigits > n ? minDigits - n : 0;
    char16_t prefix[3];
    int prefixLen = 0;
    if (negative) {
        prefix[prefixLen++] = u'-';
    } else if (conv.plus && base == 10) {
        prefix[prefixLen++] = u'+';
    } else if (conv.space && base == 10) {
        prefix[prefixLen++] = u' ';
    }
    if (conv.alt && n != 0) {
        if (base == 16) {
            prefix[prefixLen++] = u'0';
            prefix[prefixLen++] = upper ? u'X' : u'x';
        } else if (base == 8 && zeros == 0) {
            zeros = 1;
        }
    }
    const int body = prefixLen + zeros + n;
    int pad = conv.width > body ? conv.width - body : 0;
    // The 0 flag pads with zeros after the sign, unless a precision is given or - is set.
    if (conv.zero && !conv.left && conv.precision < 0) {
        zeros += pad;
        pad = 0;
    }
    if (!conv.left) {
        w.Pad(u' ', pad);
    }
    w.Put(prefix, static_cast<size_t>(prefixLen));
    w.Pad(u'0', zeros);
    for (int i = n - 1; i >= 0; --i) {
        w.Put(digits[i]);
    }
    if (conv.left) {
        w.Pad(u' ', pad);
    }
}

enum class Length { kNone, kChar, kShort, kLong, kLongLong, kSize, kMax, kPtrdiff };

intmax_t SignedArg(Length len, va_list& args) {
    switch (len) {
        case Length::kLong:
            return va_arg(args, long);
        case Length::kLongLong:
            return va_arg(args, long long);
        case Length::kSize:
            return static_cast<intmax_t>(va_arg(args, size_t));
        case Length::kMax:
            return va_arg(args, intmax_t);
        case Length::kPtrdiff:
            return va_arg(args, ptrdiff_t);
        case Length::kChar:
            return static_cast<signed char>(va_arg(args, int));
        case Length::kShort:
            return static_cast<short>(va_arg(args, int));
        case Length::kNone:
            break;
    }
    return va_arg(args, int);
}

uintmax_t UnsignedArg(Length len, va_list& args) {
    switch (len) {
        case Length::kLong:
            return va_arg(args, unsigned long);
        case Length::kLongLong:
            return va_arg(args, unsigned long long);
        case Length::kSize:
            return va_arg(args, size_t);
        case Length::kMax:
            return va_arg(args, uintmax_t);
        case Length::kPtrdiff:
            return static_cast<uintmax_t>(va_arg(args, ptrdiff_t));
        case Length::kChar:
            return static_cast<unsigned char>(va_arg(args, unsigned int));
        case Length::kShort:
            return static_cast<unsigned short>(va_arg(args, unsigned int));
        case Length::kNone:
            break;
    }
    return va_arg(args, unsigned int);
}

}  // namespace

void AppendFormatWideV(std::u16string& out, const char16_t* format, va_list argsIn,
                       size_t maxChars) {
    va_list args;
    va_copy(args, argsIn);
    Writer w(out, maxChars);
    for (const char16_t* p = format; p != nullptr && *p != 0; ++p) {
        if (*p != u'%') {
            w.Put(*p);
            continue;
        }
        const char16_t* start = p++;
        Conversion conv;
        for (;; ++p) {
            if (*p == u'-') {
                conv.left = true;
            } else if (*p == u'0') {
                conv.zero = true;
            } else if (*p == u'+') {
                conv.plus = true;
            } else if (*p == u' ') {
                conv.space = true;
            } else if (*p == u'#') {
                conv.alt = true;
            } else {
                break;
            }
        }
        if (*p == u'*') {
            conv.width = va_arg(args, int);
            if (conv.width < 0) {
                conv.left = true;
                conv.width = -conv.width;
            }
            ++p;
        } else {
            while (*p >= u'0' && *p <= u'9') {
                conv.width = conv.width * 10 + (*p++ - u'0');
            }
        }
        if (*p == u'.') {
            ++p;
            conv.precision = 0;
            if (*p == u'*') {
                conv.precision = va_arg(args, int);
                ++p;
            } else {
                while (*p >= u'0' && *p <= u'9') {
                    conv.precision = conv.precision * 10 + (*p++ - u'0');
                }
            }
        }
        Length len = Length::kNone;
        if (*p == u'h') {
            len = (p[1] == u'h') ? Length::kChar : Length::kShort;
            p += (len == Length::kChar) ? 2 : 1;
        } else if (*p == u'l') {
            len = (p[1] == u'l') ? Length::kLongLong : Length::kLong;
            p += (len == Length::kLongLong) ? 2 : 1;
        } else if (*p == u'z') {
            len = Length::kSize;
            ++p;
        } else if (*p == u'j') {
            len = Length::kMax;
            ++p;
        } else if (*p == u't') {
            len = Length::kPtrdiff;
            ++p;
        }
        switch (*p) {
            case u'%':
                w.Put(u'%');
                break;
            case u's': {
                const char16_t* s = va_arg(args, const char16_t*);
                if (s == nullptr) {
                    s = u"(null)";
                }
                size_t n = 0;
                while (s[n] != 0 &&
                       (conv.precision < 0 || n < static_cast<size_t>(conv.precision))) {
                    ++n;
                }
                EmitPadded(w, conv, s, n);
                break;
            }
            case u'c': {
                const auto c = static_cast<char16_t>(va_arg(args, int));
                EmitPadded(w, conv, &c, 1);
                break;
            }
            case u'd':
            case u'i': {
                const intmax_t v = SignedArg(len, args);
                const uintmax_t mag =
                    v < 0 ? uintmax_t(0) - static_cast<uintmax_t>(v) : static_cast<uintmax_t>(v);
                EmitInteger(w, conv, mag, v < 0, 10, false);
                break;
            }
            case u'u':
                EmitInteger(w, conv, UnsignedArg(len, args), false, 10, false);
                break;
            case u'x':
            case u'X':
                EmitInteger(w, conv, UnsignedArg(len, args), false, 16, *p == u'X');
                break;
            case u'o':
                EmitInteger(w, conv, UnsignedArg(len, args), false, 8, false);
                break;
            case u'p': {
                Conversion ps = conv;
                ps.alt = true;
                EmitInteger(w, ps, reinterpret_cast<uintptr_t>(va_arg(args, void*)), false, 16,
                            false);
                break;
            }
            default:
                // An unknown or cut-off conversion is copied as written.
                for (const char16_t* q = start; q <= p && *q != 0; ++q) {
                    w.Put(*q);
                }
                if (*p == 0) {
                    --p;
                }
                break;
        }
    }
    va_end(args);
}

std::u16string FormatWideV(const char16_t* format, va_list args) {
    std::u16string out;
    AppendFormatWideV(out, format, args);
    return out;
}

std::u16string FormatWide(const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::u16string out = FormatWideV(format, args);
    va_end(args);
    return out;
}
