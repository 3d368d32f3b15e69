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
    void Add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
    bool Empty() const { return rows_.empty(); }
    void Print(std::ostream& out, const std::string& indent) const;

  private:
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace olvane_host
