#include "Table.h"

#include "Terminal.h"

#include <algorithm>
#include <utility>

namespace TSCoreCli
{
    Table::Table(std::vector<std::string> headers) : headers(std::move(headers)) {}

    void Table::AddRow(std::vector<std::string> cells)
    {
        cells.resize(headers.size());
        for (auto& cell : cells)
            cell = Printable(cell);
        rows.push_back(std::move(cells));
    }

    std::string Table::Render() const
    {
        std::vector<std::size_t> widths;
        for (const auto& h : headers)
            widths.push_back(h.size());
        for (const auto& row : rows)
            for (std::size_t c = 0; c < row.size(); ++c)
                widths[c] = std::max(widths[c], row[c].size());

        auto line = [&](const std::vector<std::string>& cells)
        {
            std::string out;
            for (std::size_t c = 0; c < cells.size(); ++c)
            {
                out += cells[c];
                if (c + 1 < cells.size())
                    out += std::string(widths[c] - cells[c].size() + 2, ' ');
            }
            // Lines carry no trailing blanks, also where the last cells are empty.
            out.erase(out.find_last_not_of(' ') + 1);
            return out + "\n";
        };

        std::string out = line(headers);
        std::vector<std::string> rule;
        for (const auto w : widths)
            rule.emplace_back(w, '-');
        out += line(rule);
        for (const auto& row : rows)
            out += line(row);
        return out;
    }
}
