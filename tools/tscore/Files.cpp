#include "Files.h"

#include <fstream>
#include <sstream>

namespace TSCoreCli
{
    bool ReadFile(const std::string& path, std::string& out)
    {
        std::ifstream file(path, std::ios::binary);
        if (!file)
            return false;
        std::ostringstream content;
        content << file.rdbuf();
        // An empty file leaves rdbuf() extraction with failbit set; only bad() is an error.
        if (file.bad())
            return false;
        out = content.str();
        return true;
    }

    bool WriteFile(const std::string& path, const std::string& text)
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        if (!file)
            return false;
        file << text;
        file.close();
        return !file.fail();
    }
}
