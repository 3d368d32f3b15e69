// plugin.cpp - the plug-in loaded and its exports resolved by name.
#include "plugin.h"

#include "library.h"

namespace olvane_host {

namespace {

template <typename F>
bool Resolve(void* handle, const char* name, F& out, std::string& error) {
    void* symbol = LibrarySymbol(handle, name);
    if (symbol == nullptr) {
        error = std::string("the export ") + name + " is missing";
        return false;
    }
    out = reinterpret_cast<F>(symbol);
    return true;
}

}  // namespace

Plugin::~Plugin() {
    if (m_handle != nullptr) {
        // Scenes left behind by an error path go before the library does.
        if (m_api.RemoveAllScenes != nullptr && !m_unloadable) {
            m_api.RemoveAllScenes();
        }
        CloseLibrary(m_handle);
    }
}

bool Plugin::Load(const std::string& path, std::string& error, bool unloadable) {
    m_unloadable = unloadable;
    m_handle = OpenLibrary(path, error, unloadable);
    if (m_handle == nullptr) {
        return false;
    }
    void* const bstr = BstrLibrary(m_handle);
    PluginApi api;
    const bool ok = Resolve(m_handle, "AddScene", api.AddScene, error) &&
                    Resolve(m_handle, "AddDestination", api.AddDestination, error) &&
                    Resolve(m_handle, "DelDestination", api.DelDestination, error) &&
                    Resolve(m_handle, "DelScene", api.DelScene, error) &&
                    Resolve(m_handle, "FreeNamespace", api.FreeNamespace, error) &&
                    Resolve(m_handle, "FreeRules", api.FreeRules, error) &&
                    Resolve(m_handle, "GetAllNamespaces", api.GetAllNamespaces, error) &&
                    Resolve(m_handle, "GetRules", api.GetRules, error) &&
                    Resolve(m_handle, "GetRulesXML", api.GetRulesXML, error) &&
                    Resolve(m_handle, "ParseRules", api.ParseRules, error) &&
                    Resolve(m_handle, "RemoveAllScenes", api.RemoveAllScenes, error) &&
                    Resolve(m_handle, "SetMetaData", api.SetMetaData, error) &&
                    Resolve(m_handle, "SetRulesDialog", api.SetRulesDialog, error) &&
                    Resolve(m_handle, "SetRulesXML", api.SetRulesXML, error) &&
                    Resolve(bstr, "SysAllocStringLen", api.SysAllocStringLen, error) &&
                    Resolve(bstr, "SysFreeString", api.SysFreeString, error) &&
                    Resolve(bstr, "SysStringLen", api.SysStringLen, error);
    if (!ok) {
        CloseLibrary(m_handle);
        m_handle = nullptr;
        return false;
    }
    m_api = api;
    return true;
}

}  // namespace olvane_host
