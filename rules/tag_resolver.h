// tag_resolver.h - what rule evaluation needs of a metadata source: a tag's current value.
#pragma once

#include "platform/cstring.h"

class ITagResolver {
  public:
    // True and value set when the tag names a value; value untouched otherwise.
    virtual bool GetValue(const CString& tag, CString& value) const = 0;

  protected:
    ~ITagResolver() = default;
};
