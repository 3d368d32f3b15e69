// types.h - the framework's and Win32's basic types, as this platform spells them.
#pragma once

#include <cstdint>

#include "olvane/olvane.h"  // OLECHAR, BSTR, BOOL

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
