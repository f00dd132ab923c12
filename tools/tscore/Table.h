#pragma once

// A plain text table: columns as wide as their widest cell, two spaces apart.

#include <string>
#include <vector>

namespace TSCoreCli
{
    class Table
    {
    public:
        explicit Table(std::vector<std::string> headers);

        /// Cells beyond the header count are dropped; missing ones are empty.
        void AddRow(std::vector<std::string> cells);
        /// Header, a rule, then one line per row; every line ends with a newline.
        std::string Render() const;

    private:
        std::vector<std::string> headers;
        std::vector<std::vector<std::string>> rows;
    };
}
