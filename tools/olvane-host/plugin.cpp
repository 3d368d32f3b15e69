// plugin.cpp - the plug-in loaded with dlopen and its exports resolved by name.
#include "plugin.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace olvane_host {

namespace {

template <typename F>
bool Resolve(void* handle, const char* name, F& out, std::string& error) {
    void* symbol = ::dlsym(handle, name);
    if (symbol == nullptr) {
        error = std::string("the export ") + name + " is missing";
        return false;
    }
    out = reinterpret_cast<F>(symbol);
    return true;
}

}  // namespace

std::string DefaultPluginPath() {
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        return "libolvane.so";
    }
    std::string path(self, static_cast<size_t>(n));
    const std::string beside = path.substr(0, path.rfind('/') + 1) + "libolvane.so";
    // Built: the plug-in sits beside the program. Installed: it is a system library, found by the
    // dynamic loader under its SONAME.
    return ::access(beside.c_str(), F_OK) == 0 ? beside : "libolvane.so.0";
}

Plugin::~Plugin() {
    if (m_handle != nullptr) {
        // Scenes left behind by an error path go before the library does.
        if (m_api.RemoveAllScenes != nullptr) {
            m_api.RemoveAllScenes();
        }
        ::dlclose(m_handle);
    }
}

bool Plugin::Load(const std::string& path, std::string& error) {
    const std::string& file = path;
    // Kept mapped until the process ends, as a host keeps its plug-ins: unloading would also unmap
    // the toolkit libraries it pulls in, whose load-time allocations then show up as leaks.
    m_handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (m_handle == nullptr) {
        const char* reason = ::dlerror();
        error = reason != nullptr ? reason : "cannot be loaded";
        // dlerror starts with the file name, which the caller's message already gives.
        if (error.starts_with(file + ": ")) {
            error.erase(0, file.size() + 2);
        }
        return false;
    }
    PluginApi api;
    const bool ok = Resolve(m_handle, "AddScene", api.AddScene, error) &&
                    Resolve(m_handle, "AddDestination", api.AddDestination, error) &&
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
                    Resolve(m_handle, "SysAllocStringLen", api.SysAllocStringLen, error) &&
                    Resolve(m_handle, "SysFreeString", api.SysFreeString, error) &&
                    Resolve(m_handle, "SysStringLen", api.SysStringLen, error);
    if (!ok) {
        ::dlclose(m_handle);
        m_handle = nullptr;
        return false;
    }
    m_api = api;
    return true;
}

}  // namespace olvane_host
