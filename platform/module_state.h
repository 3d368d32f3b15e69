// module_state.h - the framework's module-state guard. A state names a module: the host
// application's or the library's own. While the library's is current, resources (the editor's
// dialog template) are looked up in the library's module. On Windows a module is its HINSTANCE;
// elsewhere there are no module resources and the handle is null, but the guard still records
// which state is current so that nesting and restoring can be seen.
#pragma once

namespace platform {

struct ModuleState {
    const char* name;
    bool library;  // the library's own state, not the host's
};

ModuleState* AfxGetAppModuleState();     // the host application's state
ModuleState* AfxGetStaticModuleState();  // the library's own state (its resources)
ModuleState* AfxGetModuleState();        // the one current on this thread

// The module whose resources the current state names (an HINSTANCE on Windows, null elsewhere).
void* AfxGetResourceHandle();

// Makes a state current for a scope and restores the previous one on every way out.
class CModuleStateGuard {
  public:
    explicit CModuleStateGuard(ModuleState* state);
    ~CModuleStateGuard();
    CModuleStateGuard(const CModuleStateGuard&) = delete;
    CModuleStateGuard& operator=(const CModuleStateGuard&) = delete;

  private:
    ModuleState* m_pPrevious;
};

// The backend's: the host's module (the process's executable) and the library's own.
void* HostModuleHandle();
void* LibraryModuleHandle();

}  // namespace platform

#define OLVANE_MANAGE_STATE() \
    ::platform::CModuleStateGuard olvaneStateGuard_(::platform::AfxGetAppModuleState())
