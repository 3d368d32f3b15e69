// module_native.cpp - Windows: the executable's module, and the module this code was linked into
// (the DLL, or a test program that links the library statically), found from an address inside it.
#include <windows.h>

#include "platform/module_state.h"

namespace platform {

void* HostModuleHandle() {
    return ::GetModuleHandleW(nullptr);
}

void* LibraryModuleHandle() {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&LibraryModuleHandle), &module);
    return module;
}

}  // namespace platform
