// bstr.h - the OLE Automation string allocator (exported; the host frees what we hand it).
#pragma once

#include "platform/types.h"

// SysAllocString & co. are declared by the public header. These helpers throw std::bad_alloc where
// the framework would raise its memory exception.
BSTR AllocBstrOrThrow(const OLECHAR* text, unsigned int length);
