// qt_text.h - CString to QString and back (both UTF-16).
#pragma once

#include <QString>

#include "platform/cstring.h"

inline QString ToQString(const CString& text) {
    return QString::fromUtf16(text.GetString(), text.GetLength());
}

inline CString FromQString(const QString& text) {
    return CString(reinterpret_cast<const char16_t*>(text.utf16()),
                   static_cast<size_t>(text.size()));
}
