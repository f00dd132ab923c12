#include "TextFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <utility>

namespace ToolCommon
{
    namespace
    {
        std::string SystemReason(int error) { return std::strerror(error); }

        /// Closes the descriptor however the function using it ends.
        struct Descriptor
        {
            int fd = -1;
            ~Descriptor()
            {
                if (fd >= 0)
                    close(fd);
            }
        };
    }

    bool ReadTextFile(const std::string& path, std::string& out, std::string& why)
    {
        Descriptor file{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
        if (file.fd < 0)
        {
            why = SystemReason(errno);
            return false;
        }
        std::string text;
        char buffer[65536];
        for (;;)
        {
            const ssize_t n = read(file.fd, buffer, sizeof buffer);
            if (n == 0)
                break;
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
            {
                why = SystemReason(errno); // a directory: "Is a directory"
                return false;
            }
            text.append(buffer, static_cast<std::size_t>(n));
        }
        out = std::move(text);
        return true;
    }

    bool WriteTextFile(const std::string& path, const std::string& text, std::string& why)
    {
        if (path == "-")
        {
            std::cout << text << std::flush;
            why = "standard output is closed";
            return static_cast<bool>(std::cout);
        }
        Descriptor file{open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)};
        if (file.fd < 0)
        {
            why = SystemReason(errno);
            return false;
        }
        for (std::size_t done = 0; done < text.size();)
        {
            const ssize_t n = write(file.fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
            {
                why = SystemReason(n < 0 ? errno : ENOSPC);
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        const int fd = file.fd;
        file.fd = -1;
        if (close(fd) != 0)
        {
            why = SystemReason(errno); // a full disk may only show here
            return false;
        }
        return true;
    }

    bool CanWrite(const std::string& path, std::string& why)
    {
        namespace fs = std::filesystem;
        if (path == "-")
            return true;
        std::error_code error;
        if (fs::is_directory(path, error))
        {
            why = path + " is a directory";
            return false;
        }
        if (fs::exists(path, error))
        {
            if (access(path.c_str(), W_OK) == 0)
                return true;
            why = SystemReason(errno);
            return false;
        }
        const fs::path parent = fs::path(path).parent_path().empty() ? fs::path(".") : fs::path(path).parent_path();
        if (!fs::is_directory(parent, error))
        {
            why = parent.string() + (fs::exists(parent, error) ? " is not a directory" : " does not exist");
            return false;
        }
        if (access(parent.c_str(), W_OK) == 0)
            return true;
        why = parent.string() + ": " + SystemReason(errno);
        return false;
    }
}
