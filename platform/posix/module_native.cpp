// module_native.cpp - POSIX: shared objects carry no resources, so no state names a module.
#include "platform/module_state.h"

namespace platform {

void* HostModuleHandle() {
    return nullptr;
}
void* LibraryModuleHandle() {
    return nullptr;
}

}  // namespace platform
