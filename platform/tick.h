// tick.h - GetTickCount: milliseconds since an arbitrary start, wrapping at 2^32.
#pragma once

#include <cstdint>

uint32_t GetTickCount();
