// rules_file.cpp - the rules file as text: decoding what the user gives and telling unread text.
#include "rules_file.h"

#include "text.h"

namespace olvane_host {

bool DecodeRulesText(std::string_view bytes, std::u16string& text, std::string& error) {
    const bool le = bytes.starts_with("\xFF\xFE");
    const bool be = bytes.starts_with("\xFE\xFF");
    if (le || be) {
        bytes.remove_prefix(2);
        if (bytes.size() % 2 != 0) {
            error = "UTF-16 text with an odd number of bytes";
            return false;
        }
        text.clear();
        text.reserve(bytes.size() / 2);
        for (size_t i = 0; i < bytes.size(); i += 2) {
            const auto a = static_cast<unsigned char>(bytes[i]);
            const auto b = static_cast<unsigned char>(bytes[i + 1]);
            text += static_cast<char16_t>(le ? (b << 8 | a) : (a << 8 | b));
        }
        return true;
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    auto decoded = Utf8ToUtf16(bytes);
    if (!decoded) {
        error = "not UTF-8 text";
        return false;
    }
    text = std::move(*decoded);
    return true;
}

bool LooksUnread(std::u16string_view text) {
    return text.find(u"<Data") != std::u16string_view::npos ||
           text.find(u"Pavex-MetaData-Rules") == std::u16string_view::npos;
}

}  // namespace olvane_host
