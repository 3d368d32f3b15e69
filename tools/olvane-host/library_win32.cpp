// library_win32.cpp - LoadLibrary, the BSTR functions from oleaut32.dll, and the plug-in beside the
// program.
#include "library.h"
#include "win32_text.h"

namespace olvane_host {

void* OpenLibrary(const std::string& path, std::string& error, bool) {
    HMODULE library = ::LoadLibraryW(WideFromUtf8(path).c_str());
    if (library == nullptr) {
        error = SystemMessage(::GetLastError());
    }
    return library;
}

void* LibrarySymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(void* library) {
    ::FreeLibrary(static_cast<HMODULE>(library));
}

void* BstrLibrary(void*) {
    static const HMODULE oleaut32 = ::LoadLibraryW(L"oleaut32.dll");
    return oleaut32;
}

std::string DefaultPluginPath() {
    wchar_t self[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (n == 0 || n == MAX_PATH) {
        return "olvane.dll";
    }
    std::wstring path(self, n);
    path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"olvane.dll";
    return Utf8FromWide(path.c_str(), static_cast<int>(path.size()));
}

}  // namespace olvane_host
