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
    if (handle_ != nullptr) {
        // Scenes left behind by an error path go before the library does.
        if (api_.RemoveAllScenes != nullptr && !unloadable_) {
            api_.RemoveAllScenes();
        }
        ::dlclose(handle_);
    }
}

bool Plugin::Load(const std::string& path, std::string& error, bool unloadable) {
    const std::string& file = path;
    unloadable_ = unloadable;
    // Kept mapped until the process ends, as a host keeps its plug-ins: unloading would also unmap
    // the toolkit libraries it pulls in, whose load-time allocations then show up as leaks.
    handle_ = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL | (unloadable ? 0 : RTLD_NODELETE));
    if (handle_ == nullptr) {
        const char* reason = ::dlerror();
        error = reason != nullptr ? reason : "cannot be loaded";
        // dlerror starts with the file name, which the caller's message already gives.
        if (error.starts_with(file + ": ")) {
            error.erase(0, file.size() + 2);
        }
        return false;
    }
    PluginApi api;
    const bool ok = Resolve(handle_, "AddScene", api.AddScene, error) &&
                    Resolve(handle_, "AddDestination", api.AddDestination, error) &&
                    Resolve(handle_, "DelDestination", api.DelDestination, error) &&
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
                    Resolve(handle_, "SysAllocStringLen", api.SysAllocStringLen, error) &&
                    Resolve(handle_, "SysFreeString", api.SysFreeString, error) &&
                    Resolve(handle_, "SysStringLen", api.SysStringLen, error);
    if (!ok) {
        ::dlclose(handle_);
        handle_ = nullptr;
        return false;
    }
    api_ = api;
    return true;
}

}  // namespace olvane_host
