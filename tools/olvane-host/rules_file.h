// rules_file.h - the rules file as text: decoding what the user gives and telling unread text.
#pragma once

#include <string>
#include <string_view>

namespace olvane_host {

// Decodes a rules file for the plug-in, which takes UTF-16: UTF-8 (a byte-order mark is dropped)
// or UTF-16 with a byte-order mark. False with a reason for anything else.
bool DecodeRulesText(std::string_view bytes, std::u16string& text, std::string& error);

// The plug-in accepts any text silently and ignores what it cannot parse. When it read no rule from
// a text, this says whether the text was meant to hold rules (a rule element, or no rules document
// at all), so that a broken file is reported instead of being taken as "no rules".
bool LooksUnread(std::u16string_view text);

}  // namespace olvane_host
