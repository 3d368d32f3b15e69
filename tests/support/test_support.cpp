// test_support.cpp - test data, files and scratch directories.
#include "tests/support/test_support.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/codepage.h"

namespace olvane_test {

std::filesystem::path DataPath(const std::string& name) {
    return std::filesystem::path(OLVANE_TEST_DATA) / name;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Utf16LeToUtf8(const std::vector<uint8_t>& bytes) {
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8));
    }
    return WideToUtf8(text);
}

TempDir::TempDir() {
    // A name nobody holds yet: create_directory is false when the directory exists.
    std::random_device seed;
    std::mt19937_64 rng(seed());
    do {
        m_path = std::filesystem::temp_directory_path() / ("olvane-test-" + std::to_string(rng()));
    } while (!std::filesystem::create_directory(m_path));
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

CaseChecks::CaseChecks(const std::filesystem::path& readme) {
    std::istringstream in(ReadFile(readme));
    bool inside = false;
    for (std::string line; std::getline(in, line) && !(inside && line == "```");) {
        inside = inside || line == "```check";
        const size_t colon = line.find(": ");
        if (inside && colon != std::string::npos) {
            m_lines.emplace(line.substr(0, colon), line.substr(colon + 2));
        }
    }
    // A "KEY-windows" line says what the system's reader and code page give instead ("-": no such
    // line there); elsewhere it is ignored.
    const std::string suffix = "-windows";
    std::multimap<std::string, std::string> windows;
    for (auto it = m_lines.begin(); it != m_lines.end();) {
        if (it->first.ends_with(suffix)) {
            windows.emplace(it->first.substr(0, it->first.size() - suffix.size()), it->second);
            it = m_lines.erase(it);
        } else {
            ++it;
        }
    }
#if defined(_WIN32)
    for (const auto& [key, value] : windows) {
        m_lines.erase(key);
    }
    for (const auto& [key, value] : windows) {
        if (value != "-") {
            m_lines.emplace(key, value);
        }
    }
#endif
}

std::string CaseChecks::One(const std::string& key) const {
    const auto it = m_lines.find(key);
    return it == m_lines.end() ? std::string() : it->second;
}

std::vector<std::string> CaseChecks::All(const std::string& key) const {
    std::vector<std::string> values;
    for (auto [it, end] = m_lines.equal_range(key); it != end; ++it) {
        values.push_back(it->second);
    }
    return values;
}

std::vector<std::filesystem::path> CasesIn(const std::string& folder) {
    std::vector<std::filesystem::path> cases;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(OLVANE_SOURCE_ROOT) / folder)) {
        if (entry.is_directory()) {
            cases.push_back(entry.path());
        }
    }
    std::sort(cases.begin(), cases.end());
    return cases;
}

std::string CaseName(const std::filesystem::path& folder) {
    std::string name = folder.filename().string();
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

}  // namespace olvane_test
