// plugin.cpp - Plugin.
#include "plugin.h"

#include <dlfcn.h>

#include <fstream>
#include <sstream>

namespace {
template <class F>
bool Resolve(void* handle, F& fn, const char* name, std::string& error) {
    fn = reinterpret_cast<F>(dlsym(handle, name));
    if (fn == nullptr && error.empty()) {
        error = std::string("missing export ") + name;
    }
    return fn != nullptr;
}
}  // namespace

std::string Plugin::Load(const char* path) {
    // A host process keeps its toolkit loaded for good. Without that, unloading the plug-in would
    // unload Qt with it, and Qt's own load-time allocations would read as leaks of ours.
    static void* const toolkit = dlopen("libQt6Core.so.6", RTLD_NOW | RTLD_NODELETE);
    (void)toolkit;
    handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        return dlerror();
    }
    std::string error;
#define OLVANE_RESOLVE(name) Resolve(handle, name, #name, error)
    OLVANE_RESOLVE(AddScene);
    OLVANE_RESOLVE(AddDestination);
    OLVANE_RESOLVE(DelDestination);
    OLVANE_RESOLVE(DelScene);
    OLVANE_RESOLVE(FreeNamespace);
    OLVANE_RESOLVE(FreeRules);
    OLVANE_RESOLVE(GetAllNamespaces);
    OLVANE_RESOLVE(GetRules);
    OLVANE_RESOLVE(GetRulesXML);
    OLVANE_RESOLVE(ParseRules);
    OLVANE_RESOLVE(RemoveAllScenes);
    OLVANE_RESOLVE(SetMetaData);
    OLVANE_RESOLVE(SetRulesDialog);
    OLVANE_RESOLVE(SetRulesXML);
    OLVANE_RESOLVE(SysAllocString);
    OLVANE_RESOLVE(SysAllocStringLen);
    OLVANE_RESOLVE(SysFreeString);
    OLVANE_RESOLVE(SysStringLen);
#undef OLVANE_RESOLVE
    return error;
}

void Plugin::Unload() {
    if (handle != nullptr) {
        dlclose(handle);
        handle = nullptr;
    }
}

BSTR Plugin::Bstr(const std::u16string& text) const {
    return SysAllocStringLen(text.data(), static_cast<unsigned int>(text.size()));
}

std::u16string Plugin::Text(BSTR b) const {
    return b == nullptr ? std::u16string() : std::u16string(b, SysStringLen(b));
}

std::u16string Plugin::TakeText(BSTR b) const {
    std::u16string t = Text(b);
    SysFreeString(b);
    return t;
}

std::u16string Plugin::RulesXML(int scene, const char* key) const {
    return TakeText(GetRulesXML(scene, key));
}

int Plugin::SetRules(int scene, const char* key, const std::u16string& xml, int append) const {
    BSTR b = Bstr(xml);
    const int result = SetRulesXML(scene, key, b, append);
    if (result == -1) {
        SysFreeString(b);  // a missing scene leaves the string with the caller
    }
    return result;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}
