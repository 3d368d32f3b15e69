// types.h - the framework's and Win32's basic types, as this platform spells them.
#pragma once

#include <cstdint>

#include "olvane/olvane.h"  // OLECHAR, BSTR, BOOL, and the BSTR functions

// Inside the library UTF-16 is char16_t on every platform; on Windows it is the same 16-bit unit
// as the system's wchar_t, so BSTRs cross to and from oleaut32 unchanged.
#if defined(_WIN32) && !defined(OLVANE_CHAR16_OLECHAR)
#error "the library builds with OLVANE_CHAR16_OLECHAR (set by the olvane_public_headers target)"
#endif

using WCHAR = char16_t;
using LPCWSTR = const char16_t*;
using LPWSTR = char16_t*;
using INT_PTR = intptr_t;
using UINT = uint32_t;

// An opaque iteration cursor, as the framework's containers hand out.
struct __POSITION {};
using POSITION = __POSITION*;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif
