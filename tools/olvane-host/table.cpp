// table.cpp - rows of text printed as aligned columns.
#include "table.h"

#include <algorithm>

#include "text.h"

namespace olvane_host {

void Table::Print(std::ostream& out, const std::string& indent) const {
    std::vector<size_t> widths;
    for (const auto& row : m_rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (size_t c = 0; c < row.size(); ++c) {
            widths[c] = std::max(widths[c], DisplayWidth(row[c]));
        }
    }
    for (const auto& row : m_rows) {
        std::string line = indent;
        for (size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size()) {
                line.append(widths[c] - DisplayWidth(row[c]) + 2, ' ');
            }
        }
        out << line << '\n';
    }
}

}  // namespace olvane_host
