// wformat.cpp - a small vsnprintf for UTF-16, written out so that results never depend on the C
// library's wide-character support or the process locale.
#include "platform/wformat.h"

#include <cstddef>
#include <cstdint>

namespace {

struct Conversion {
    bool left = false;
    bool zero = false;
    int width = 0;
    int precision = -1;
};

class Writer {
  public:
    Writer(std::u16string& out, size_t limit) : out_(out), limit_(limit) {}
    void Put(char16_t c) {
        if (written_ < limit_) {
            out_.push_back(c);
        }
        ++written_;
    }
    void Pad(char16_t c, int n) {
        for (int i = 0; i < n; ++i) {
            Put(c);
        }
    }

  private:
    std::u16string& out_;
    size_t limit_;
    size_t written_ = 0;
};

int Number(const char16_t*& p) {
    int n = 0;
    while (*p >= u'0' && *p <= u'9') {
        n = n * 10 + (*p++ - u'0');
    }
    return n;
}

// Sign, zeros for the precision (or for the 0 flag without one), then the digits, padded to the
// width.
void EmitInteger(Writer& w, const Conversion& conv, uintmax_t magnitude, bool negative,
                 unsigned base) {
    char16_t digits[32];
    int n = 0;
    for (; magnitude != 0; magnitude /= base) {
        digits[n++] = static_cast<char16_t>(u"0123456789abcdef"[magnitude % base]);
    }
    // Precision: the minimum number of digits; precision 0 with value 0 prints no digit.
    const int minDigits = conv.precision < 0 ? 1 : conv.precision;
    int zeros = minDigits > n ? minDigits - n : 0;
    const int body = (negative ? 1 : 0) + zeros + n;
    int pad = conv.width > body ? conv.width - body : 0;
    if (conv.zero && !conv.left && conv.precision < 0) {
        zeros += pad;
        pad = 0;
    }
    if (!conv.left) {
        w.Pad(u' ', pad);
    }
    if (negative) {
        w.Put(u'-');
    }
    w.Pad(u'0', zeros);
    while (n > 0) {
        w.Put(digits[--n]);
    }
    if (conv.left) {
        w.Pad(u' ', pad);
    }
}

void EmitText(Writer& w, const Conversion& conv, const char16_t* s) {
    size_t n = 0;
    while (s[n] != 0 && (conv.precision < 0 || n < static_cast<size_t>(conv.precision))) {
        ++n;
    }
    const int pad = conv.width > static_cast<int>(n) ? conv.width - static_cast<int>(n) : 0;
    if (!conv.left) {
        w.Pad(u' ', pad);
    }
    for (size_t i = 0; i < n; ++i) {
        w.Put(s[i]);
    }
    if (conv.left) {
        w.Pad(u' ', pad);
    }
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
            } else {
                break;
            }
        }
        conv.width = Number(p);
        if (*p == u'.') {
            ++p;
            conv.precision = Number(p);
        }
        const bool size = *p == u'z';
        p += size ? 1 : 0;
        if (*p == u'%' && !size) {
            w.Put(u'%');
        } else if (*p == u's' && !size) {
            const char16_t* s = va_arg(args, const char16_t*);
            EmitText(w, conv, s == nullptr ? u"(null)" : s);
        } else if (*p == u'd' && !size) {
            const int v = va_arg(args, int);
            const uintmax_t magnitude =
                v < 0 ? uintmax_t(0) - static_cast<uintmax_t>(v) : static_cast<uintmax_t>(v);
            EmitInteger(w, conv, magnitude, v < 0, 10);
        } else if (*p == u'x' && size) {
            EmitInteger(w, conv, va_arg(args, size_t), false, 16);
        } else {
            // An unknown or cut-off conversion is copied as written.
            for (const char16_t* q = start; q <= p && *q != 0; ++q) {
                w.Put(*q);
            }
            if (*p == 0) {
                --p;
            }
        }
    }
    va_end(args);
}
