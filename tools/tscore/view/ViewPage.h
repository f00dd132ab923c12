#pragma once

// The page of `tscore view`: its HTML, CSS and JavaScript live as files under view/ in the
// source tree and are compiled into the binary (cmake/EmbedFiles.cmake), so the tool serves
// them from wherever it is installed and the browser loads nothing from elsewhere.

#include <cstddef>
#include <string_view>

namespace TSCoreCli
{
    struct EmbeddedFile
    {
        const char* path; ///< "/index.html"
        const unsigned char* data;
        std::size_t size;
    };

    extern const EmbeddedFile embeddedFiles[];
    extern const std::size_t embeddedFileCount;

    /// The file for a request target ("/" is "/index.html"; a query is ignored), or nullptr.
    const EmbeddedFile* FindPageFile(std::string_view target);

    /// The Content-Type header for a file path, from its extension.
    const char* ContentType(std::string_view path);
}
