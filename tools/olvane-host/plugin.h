// plugin.h - the plug-in loaded with dlopen and its exports resolved by name.
#pragma once

#include <olvane/olvane.h>

#include <string>

#include "library.h"

namespace olvane_host {

// The exports the host calls, typed from the public header's declarations.
struct PluginApi {
    decltype(&::AddScene) AddScene = nullptr;
    decltype(&::AddDestination) AddDestination = nullptr;
    decltype(&::DelDestination) DelDestination = nullptr;
    decltype(&::DelScene) DelScene = nullptr;
    decltype(&::FreeNamespace) FreeNamespace = nullptr;
    decltype(&::FreeRules) FreeRules = nullptr;
    decltype(&::GetAllNamespaces) GetAllNamespaces = nullptr;
    decltype(&::GetRules) GetRules = nullptr;
    decltype(&::GetRulesXML) GetRulesXML = nullptr;
    decltype(&::ParseRules) ParseRules = nullptr;
    decltype(&::RemoveAllScenes) RemoveAllScenes = nullptr;
    decltype(&::SetMetaData) SetMetaData = nullptr;
    decltype(&::SetRulesDialog) SetRulesDialog = nullptr;
    decltype(&::SetRulesXML) SetRulesXML = nullptr;
    decltype(&::SysAllocStringLen) SysAllocStringLen = nullptr;
    decltype(&::SysFreeString) SysFreeString = nullptr;
    decltype(&::SysStringLen) SysStringLen = nullptr;
};

// Owns the loaded library: the exports stay valid while this object lives.
class Plugin {
  public:
    Plugin() = default;
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;
    ~Plugin();

    // Loads the library and resolves every export; false with the reason when either fails.
    // Unloadable: the library really goes when this object does, its scenes with it, as when a
    // host process ends (tests of a clean unload); otherwise it stays mapped and its scenes are
    // removed first.
    bool Load(const std::string& path, std::string& error, bool unloadable = false);

    const PluginApi& Api() const { return m_api; }

  private:
    void* m_handle = nullptr;
    bool m_unloadable = false;
    PluginApi m_api;
};

}  // namespace olvane_host
