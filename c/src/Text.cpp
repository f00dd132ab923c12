#include "Text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Call.h"

namespace tscore_c
{
    namespace
    {
        // The length of the UTF-8 sequence at s (1 to 4), or 0 when it is malformed: overlong
        // forms, surrogates and code points past U+10FFFF are refused.
        std::size_t SequenceLength(const unsigned char* s)
        {
            const unsigned char c = s[0];
            if (c < 0x80)
                return 1;
            const auto cont = [&](std::size_t i) { return (s[i] & 0xC0) == 0x80; };
            if (c >= 0xC2 && c <= 0xDF)
                return cont(1) ? 2 : 0;
            if (c >= 0xE0 && c <= 0xEF)
            {
                const unsigned char low = c == 0xE0 ? 0xA0 : 0x80;
                const unsigned char high = c == 0xED ? 0x9F : 0xBF;
                return s[1] >= low && s[1] <= high && cont(2) ? 3 : 0;
            }
            if (c >= 0xF0 && c <= 0xF4)
            {
                const unsigned char low = c == 0xF0 ? 0x90 : 0x80;
                const unsigned char high = c == 0xF4 ? 0x8F : 0xBF;
                return s[1] >= low && s[1] <= high && cont(2) && cont(3) ? 4 : 0;
            }
            return 0;
        }

        std::string SystemError(const char* what, const std::string& path)
        {
            return std::string(what) + " " + path + ": " + std::strerror(errno);
        }
    }

    std::string InText(const char* text, const char* name)
    {
        NotNull(text, name);
        const auto* bytes = reinterpret_cast<const unsigned char*>(text);
        std::size_t i = 0;
        // A NUL ends the text, and every continuation test above stops at it.
        while (bytes[i] != 0)
        {
            const std::size_t n = SequenceLength(bytes + i);
            if (n == 0)
                throw Failure{TSCORE_INVALID_UTF8, std::string(name) + " is not UTF-8 (byte " + std::to_string(i) +
                                                       " begins no valid sequence)"};
            i += n;
        }
        return std::string(text, i);
    }

    tscore_status OutText(const std::string& text, char* buffer, std::size_t size, std::size_t* needed)
    {
        if (needed != nullptr)
            *needed = text.size() + 1;
        if (buffer == nullptr && size == 0)
            return Succeed();
        NotNull(buffer, "buffer");
        if (size < text.size() + 1)
        {
            buffer[0] = '\0';
            throw Failure{TSCORE_BUFFER_TOO_SMALL, "the text needs " + std::to_string(text.size() + 1) +
                                                       " bytes with its NUL, the buffer has " + std::to_string(size)};
        }
        std::memcpy(buffer, text.data(), text.size());
        buffer[text.size()] = '\0';
        return Succeed();
    }

    std::string ReadFile(const std::string& path)
    {
        std::error_code error;
        if (std::filesystem::is_directory(path, error))
            throw Failure{TSCORE_IO_ERROR, "cannot read " + path + ": it is a directory"};
        std::ifstream file(path, std::ios::binary);
        if (!file)
            throw Failure{TSCORE_IO_ERROR, SystemError("cannot open", path)};
        std::ostringstream content;
        content << file.rdbuf();
        // An empty file sets failbit on the extraction; only bad() is a read error.
        if (file.bad())
            throw Failure{TSCORE_IO_ERROR, SystemError("cannot read", path)};
        return content.str();
    }

    void WriteFile(const std::string& path, const std::string& text)
    {
        const std::string temporary = path + ".tscore-partial";
        std::FILE* file = std::fopen(temporary.c_str(), "wb");
        if (file == nullptr)
            throw Failure{TSCORE_IO_ERROR, SystemError("cannot write", path)};
        const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size() &&
                             std::fputc('\n', file) != EOF && std::fflush(file) == 0;
        const int writeErrno = errno;
        if (std::fclose(file) != 0 || !written)
        {
            errno = written ? errno : writeErrno;
            const std::string why = SystemError("cannot write", path);
            std::remove(temporary.c_str());
            throw Failure{TSCORE_IO_ERROR, why};
        }
        if (std::rename(temporary.c_str(), path.c_str()) != 0)
        {
            const std::string why = SystemError("cannot replace", path);
            std::remove(temporary.c_str());
            throw Failure{TSCORE_IO_ERROR, why};
        }
    }
}
