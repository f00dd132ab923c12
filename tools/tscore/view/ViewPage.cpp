#include "ViewPage.h"

namespace TSCoreCli
{
    const EmbeddedFile* FindPageFile(std::string_view target)
    {
        target = target.substr(0, target.find_first_of("?#"));
        if (target == "/")
            target = "/index.html";
        for (std::size_t i = 0; i < embeddedFileCount; ++i)
            if (target == embeddedFiles[i].path)
                return &embeddedFiles[i];
        return nullptr;
    }

    const char* ContentType(std::string_view path)
    {
        const auto endsWith = [path](std::string_view suffix)
        { return path.size() >= suffix.size() && path.substr(path.size() - suffix.size()) == suffix; };
        if (endsWith(".html"))
            return "text/html; charset=utf-8";
        if (endsWith(".js"))
            return "text/javascript; charset=utf-8";
        if (endsWith(".css"))
            return "text/css; charset=utf-8";
        return "application/octet-stream";
    }
}
