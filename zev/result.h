// result.h - the 32-bit results of the zev library: 0 success, negative failure.
#pragma once

#include <cstdint>

namespace zev {

using HRESULT = int32_t;

constexpr HRESULT kStructureRefused = static_cast<HRESULT>(0xA003F1F0);  // a child cannot attach
constexpr HRESULT kNoAttribute = static_cast<HRESULT>(0xA003F119);       // no such attribute
constexpr HRESULT kCannotCreate = static_cast<HRESULT>(0xA003F103);      // no element object
constexpr HRESULT kNoText = 232;  // ParseXMLText was given no text

}  // namespace zev
