// module_state.cpp - the module-state guard.
#include "platform/module_state.h"

namespace platform {
namespace {
ModuleState g_appState{"host application", false};
ModuleState g_libraryState{"olvane", true};
thread_local ModuleState* t_current = nullptr;
}  // namespace

ModuleState* AfxGetAppModuleState() {
    return &g_appState;
}
ModuleState* AfxGetStaticModuleState() {
    return &g_libraryState;
}
ModuleState* AfxGetModuleState() {
    return t_current;
}

void* AfxGetResourceHandle() {
    return t_current != nullptr && !t_current->library ? HostModuleHandle() : LibraryModuleHandle();
}

CModuleStateGuard::CModuleStateGuard(ModuleState* state) : m_pPrevious(t_current) {
    t_current = state;
}
CModuleStateGuard::~CModuleStateGuard() {
    t_current = m_pPrevious;
}

}  // namespace platform
