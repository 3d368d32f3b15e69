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
    if (handle_ != nullptr) {
        // Scenes left behind by an error path go before the library does.
        if (api_.RemoveAllScenes != nullptr) {
            api_.RemoveAllScenes();
        }
        CloseLibrary(handle_);
    }
}

bool Plugin::Load(const std::string& path, std::string& error) {
    handle_ = OpenLibrary(path, error);
    if (handle_ == nullptr) {
        return false;
    }
    void* const bstr = BstrLibrary(handle_);
    PluginApi api;
    const bool ok = Resolve(handle_, "AddScene", api.AddScene, error) &&
                    Resolve(handle_, "AddDestination", api.AddDestination, error) &&
                    Resolve(handle_, "DelScene", api.DelScene, error) &&
                    Resolve(handle_, "FreeNamespace", api.FreeNamespace, error) &&
                    Resolve(handle_, "FreeRules", api.FreeRules, error) &&
                    Resolve(handle_, "GetAllNamespaces", api.GetAllNamespaces, error) &&
                    Resolve(handle_, "GetRules", api.GetRules, error) &&
                    Resolve(handle_, "GetRulesXML", api.GetRulesXML, error) &&
                    Resolve(handle_, "ParseRules", api.ParseRules, error) &&
                    Resolve(handle_, "RemoveAllScenes", api.RemoveAllScenes, error) &&
                    Resolve(handle_, "SetMetaData", api.SetMetaData, error) &&
                    Resolve(handle_, "SetRulesDialog", api.SetRulesDialog, error) &&
                    Resolve(handle_, "SetRulesXML", api.SetRulesXML, error) &&
                    Resolve(bstr, "SysAllocStringLen", api.SysAllocStringLen, error) &&
                    Resolve(bstr, "SysFreeString", api.SysFreeString, error) &&
                    Resolve(bstr, "SysStringLen", api.SysStringLen, error);
    if (!ok) {
        CloseLibrary(handle_);
        handle_ = nullptr;
        return false;
    }
    api_ = api;
    return true;
}

}  // namespace olvane_host
