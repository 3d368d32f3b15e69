// table.h - rows of text printed as aligned columns.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace olvane_host {

// Every column but the last is padded to its widest cell (counted in code points), two blanks
// apart.
class Table {
  public:
    void Add(std::vector<std::string> row) { m_rows.push_back(std::move(row)); }
    bool Empty() const { return m_rows.empty(); }
    void Print(std::ostream& out, const std::string& indent) const;

  private:
    std::vector<std::vector<std::string>> m_rows;
};

}  // namespace olvane_host
