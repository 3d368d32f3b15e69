// library.h - loading a dynamic library and finding its exports: the platform's part of Plugin
// (library_posix.cpp: dlopen; library_win32.cpp: LoadLibrary).
#pragma once

#include <string>

namespace olvane_host {

// The loaded library, or null with the system's reason. Unloadable: CloseLibrary really unmaps it
// (POSIX; otherwise it stays mapped until the process ends).
void* OpenLibrary(const std::string& path, std::string& error, bool unloadable = false);
void* LibrarySymbol(void* library, const char* name);
void CloseLibrary(void* library);
// The plug-in beside the running program (libolvane.so, or olvane.dll), else its installed name.
std::string DefaultPluginPath();
// Where the BSTR functions come from: the plug-in itself on POSIX, oleaut32.dll on Windows.
void* BstrLibrary(void* plugin);

}  // namespace olvane_host
