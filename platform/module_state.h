// module_state.h - the framework's module-state guard. This platform has no module state to switch;
// the guard still records which state is current so that nesting and restoring can be seen.
#pragma once

namespace platform {

struct ModuleState {
    const char* name;
};

ModuleState* AfxGetAppModuleState();     // the host application's state
ModuleState* AfxGetStaticModuleState();  // the library's own state (its resources)
ModuleState* AfxGetModuleState();        // the one current on this thread

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

}  // namespace platform

#define OLVANE_MANAGE_STATE() \
    ::platform::CModuleStateGuard olvaneStateGuard_(::platform::AfxGetAppModuleState())
