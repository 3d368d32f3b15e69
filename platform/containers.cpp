// containers.cpp - the markers our own map and array objects carry in their first word. The host
// never calls through them; they only make the layout's first word a recognisable non-null value.
#include "platform/carray.h"
#include "platform/cmap.h"

namespace platform {
namespace {
const char kArrayMarker[] = "CArray";
const char kMapMarker[] = "CMap";
}  // namespace
const void* const kArrayTable = kArrayMarker;
const void* const kMapTable = kMapMarker;
}  // namespace platform
