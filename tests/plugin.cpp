// plugin.cpp - Plugin: dlopen and dlsym, or on Windows LoadLibrary and GetProcAddress, with the
// BSTR functions taken from oleaut32.dll as a Windows host takes them.
#include "plugin.h"

#if !defined(_WIN32)
#include <dlfcn.h>
#endif

#include <fstream>
#include <sstream>

namespace {

#if defined(_WIN32)
// kernel32's, declared here: <windows.h> spells OLECHAR as wchar_t, the tests as char16_t.
namespace kernel32 {
extern "C" {
__declspec(dllimport) void* __stdcall LoadLibraryA(const char* path);
__declspec(dllimport) void* __stdcall GetProcAddress(void* module, const char* name);
__declspec(dllimport) int __stdcall FreeLibrary(void* module);
__declspec(dllimport) unsigned long __stdcall GetLastError();
}
}  // namespace kernel32

void* OpenLibrary(const char* path) {
    return kernel32::LoadLibraryA(path);
}
void* Symbol(void* handle, const char* name) {
    return kernel32::GetProcAddress(handle, name);
}
std::string LastError() {
    return "LoadLibrary failed: " + std::to_string(kernel32::GetLastError());
}
void CloseLibrary(void* handle) {
    kernel32::FreeLibrary(handle);
}
void* BstrLibrary(void*) {
    static void* const oleaut32 = OpenLibrary("oleaut32.dll");
    return oleaut32;
}
#else
void* OpenLibrary(const char* path) {
    // A host process keeps its toolkit loaded for good. Without that, unloading the plug-in would
    // unload Qt with it, and Qt's own load-time allocations would read as leaks of ours.
    static void* const toolkit = dlopen("libQt6Core.so.6", RTLD_NOW | RTLD_NODELETE);
    (void)toolkit;
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}
void* Symbol(void* handle, const char* name) {
    return dlsym(handle, name);
}
std::string LastError() {
    return dlerror();
}
void CloseLibrary(void* handle) {
    dlclose(handle);
}
void* BstrLibrary(void* plugin) {
    return plugin;  // the library exports its own
}
#endif

template <class F>
bool Resolve(void* handle, F& fn, const char* name, std::string& error) {
    fn = reinterpret_cast<F>(Symbol(handle, name));
    if (fn == nullptr && error.empty()) {
        error = std::string("missing export ") + name;
    }
    return fn != nullptr;
}

}  // namespace

std::string Plugin::Load(const char* path) {
    handle = OpenLibrary(path);
    if (handle == nullptr) {
        return LastError();
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
#undef OLVANE_RESOLVE
#define OLVANE_RESOLVE(name) Resolve(BstrLibrary(handle), name, #name, error)
    OLVANE_RESOLVE(SysAllocString);
    OLVANE_RESOLVE(SysAllocStringLen);
    OLVANE_RESOLVE(SysFreeString);
    OLVANE_RESOLVE(SysStringLen);
#undef OLVANE_RESOLVE
    return error;
}

void Plugin::Unload() {
    if (handle != nullptr) {
        CloseLibrary(handle);
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
