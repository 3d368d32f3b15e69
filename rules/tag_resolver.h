// tag_resolver.h - what rule evaluation needs of a metadata source: a tag's current value.
#pragma once

#include <optional>
#include <string_view>

#include "platform/cstring.h"

class ITagResolver {
  public:
    // True and value set when the tag names a value; value untouched otherwise.
    virtual bool GetValue(const CString& tag, CString& value) const = 0;

    // The same answer without copies where the source can give it: the value as the source holds
    // it (valid until the source changes), or copied into scratch; none when the tag names none.
    virtual std::optional<std::u16string_view> FindValue(std::u16string_view tag,
                                                         CString& scratch) const {
        if (!GetValue(CString(tag), scratch)) {
            return std::nullopt;
        }
        return scratch.view();
    }

  protected:
    ~ITagResolver() = default;
};
