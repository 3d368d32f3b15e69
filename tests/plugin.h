// plugin.h - loads the plug-in the way a host does (dlopen or LoadLibrary), then each export by
// name.
#pragma once

#include <string>

#include "olvane/olvane.h"

struct Plugin {
    void* handle = nullptr;
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
    decltype(&::SysAllocString) SysAllocString = nullptr;
    decltype(&::SysAllocStringLen) SysAllocStringLen = nullptr;
    decltype(&::SysFreeString) SysFreeString = nullptr;
    decltype(&::SysStringLen) SysStringLen = nullptr;

    // Empty string on success, else what went wrong.
    std::string Load(const char* path);
    void Unload();

    // Conveniences over the exports.
    BSTR Bstr(const std::u16string& text) const;
    std::u16string Text(BSTR b) const;      // copies b
    std::u16string TakeText(BSTR b) const;  // copies and frees b
    std::u16string RulesXML(int scene, const char* key) const;
    int SetRules(int scene, const char* key, const std::u16string& xml, int append) const;
};

std::string ReadFile(const std::string& path);
