#pragma once

// Texts across the C boundary: UTF-8 checked on the way in, copied into caller buffers on the
// way out; storage files read and written whole.

#include <cstddef>
#include <string>

#include "tscore_c.h"

namespace tscore_c
{
    /// A NUL-terminated UTF-8 argument; a Failure for NULL or bytes that are not UTF-8.
    std::string InText(const char* text, const char* name);

    /// Copies text and its NUL into buffer (see the header's rule for texts out).
    tscore_status OutText(const std::string& text, char* buffer, std::size_t size, std::size_t* needed);

    /// The whole file; a Failure (TSCORE_IO_ERROR) saying why it cannot be read.
    std::string ReadFile(const std::string& path);
    /// Replaces the file by text and a newline through a temporary beside it, so that a failed
    /// write leaves the old file as it was.
    void WriteFile(const std::string& path, const std::string& text);
}
