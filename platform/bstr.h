// bstr.h - the OLE Automation string allocator: oleaut32's on Windows, the library's own (and
// exported, posix/bstr.cpp) elsewhere. Either way the host frees what we hand it with its
// SysFreeString.
#pragma once

#include "platform/types.h"

// SysAllocString & co. are declared by the public header. These helpers throw std::bad_alloc where
// the framework would raise its memory exception.
BSTR AllocBstrOrThrow(const OLECHAR* text, unsigned int length);
