// tick.cpp - GetTickCount: kernel32's own. The platform's declaration (a C++ function) and the
// system's (a C one) cannot meet in one scope, so the system's is declared here in a namespace.
#include "platform/tick.h"

namespace kernel32 {
extern "C" __declspec(dllimport) unsigned long __stdcall GetTickCount(void);
}

uint32_t GetTickCount() {
    return static_cast<uint32_t>(kernel32::GetTickCount());
}
