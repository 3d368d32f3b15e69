// result.h - the results of the zev library. They are HRESULTs (platform/com.h): S_OK for success,
// negative for failure, shaped like Windows codes with the customer bit set and facility 3. Codes
// from the platform, the SAX reader's among them, pass through unchanged.
#pragma once

#include "platform/com.h"

namespace zev {

constexpr HRESULT kStructureRefused = MakeHresult(0xA003F1F0);  // a child cannot attach
constexpr HRESULT kNoAttribute = MakeHresult(0xA003F119);       // no such attribute
constexpr HRESULT kCannotCreate = MakeHresult(0xA003F103);      // no element object

// ParseXMLText was given no text (null, "" or "-1") and parsed nothing. The one positive result:
// SUCCEEDED(kNoText) is true, so test a parse with == S_OK, never with SUCCEEDED().
constexpr HRESULT kNoText = 232;

}  // namespace zev
