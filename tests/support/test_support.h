// test_support.h - what any test may use: the repository's test data, whole files, and a scratch
// directory that removes itself.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace olvane_test {

// A file under tests/data/ of this repository.
std::filesystem::path DataPath(const std::string& name);
// The whole file as bytes; "" when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
// UTF-16LE bytes (what the reports write) as UTF-8.
std::string Utf16LeToUtf8(const std::vector<uint8_t>& bytes);

// A fresh directory under the system's temporary directory, removed with its contents at the end.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }

  private:
    std::filesystem::path m_path;
};

// The expectations of a data case: the lines of its README's check block (from "```check" to
// "```"), each "key: value"; a key may repeat.
class CaseChecks {
  public:
    explicit CaseChecks(const std::filesystem::path& readme);
    bool Has(const std::string& key) const { return m_lines.count(key) != 0; }
    std::string One(const std::string& key) const;  // "" when absent
    std::vector<std::string> All(const std::string& key) const;
    bool Empty() const { return m_lines.empty(); }

  private:
    std::multimap<std::string, std::string> m_lines;
};

// The data cases under a folder of the repository, one folder each, in name order; and a case's
// name as a test name.
std::vector<std::filesystem::path> CasesIn(const std::string& folder);
std::string CaseName(const std::filesystem::path& folder);

}  // namespace olvane_test
