#include "Terminal.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iostream>
#include <sstream>

#include "HelpFormatter.h"

namespace TSCoreCli
{
    namespace
    {
        volatile sig_atomic_t resized = 0;

        extern "C" void OnResize(int) { resized = 1; }
    }

    bool StdoutIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

    TerminalSize TerminalSizeNow()
    {
        TerminalSize size;
        winsize ws{};
        if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0)
        {
            size.columns = ws.ws_col;
            size.rows = ws.ws_row;
        }
        return size;
    }

    void WatchTerminalSize()
    {
        struct sigaction action
        {
        };
        action.sa_handler = OnResize;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGWINCH, &action, nullptr);
    }

    bool TerminalResized()
    {
        if (resized == 0)
            return false;
        resized = 0;
        return true;
    }

    LiveBlock::~LiveBlock() { Finish(); }

    void LiveBlock::Draw(const std::vector<std::string>& lines, const TerminalSize& size, bool resized)
    {
        std::string out;
        if (!active)
        {
            out += "\x1b[?25l";
            active = true;
        }
        if (resized)
        {
            // Old lines may have been rewrapped to the new width: start on a clean screen.
            out += "\x1b[2J\x1b[H";
            drawn = 0;
        }
        if (drawn > 0)
            out += "\x1b[" + std::to_string(drawn) + "F"; // to the start of the block's first line
        const std::size_t width = static_cast<std::size_t>(std::max(size.columns - 1, 1));
        std::vector<std::string> fitted;
        for (const std::string& line : lines)
        {
            std::istringstream wrapped(ToolCommon::HelpFormatter::Wrap(line, width + 1));
            std::string part;
            do
            {
                part.clear();
                std::getline(wrapped, part);
                fitted.push_back(part.substr(0, width));
            } while (wrapped && wrapped.peek() != std::char_traits<char>::eof());
        }
        const std::size_t count = std::min(fitted.size(), static_cast<std::size_t>(std::max(size.rows - 1, 1)));
        for (std::size_t i = 0; i < count; ++i)
            out += "\x1b[2K" + fitted[i] + "\n";
        out += "\x1b[J"; // a block that shrank leaves nothing behind
        drawn = count;
        std::cout << out << std::flush;
    }

    void LiveBlock::Finish()
    {
        if (!active)
            return;
        std::cout << "\x1b[?25h" << std::flush;
        active = false;
    }

    std::string Bar(float fraction, int width)
    {
        int filled = 0;
        if (fraction > 0.0f) // false for NaN
        {
            const float clamped = fraction < 1.0f ? fraction : 1.0f;
            filled = static_cast<int>(std::lround(clamped * static_cast<float>(width)));
        }
        std::string out = "[";
        out.append(static_cast<std::size_t>(filled), '#');
        out.append(static_cast<std::size_t>(width - filled), '-');
        out += "]";
        return out;
    }

    std::string Fixed(double value, int decimals)
    {
        if (std::isnan(value))
            return "nan";
        if (std::isinf(value))
            return value > 0 ? "inf" : "-inf";
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
        if (result.ec != std::errc())
            return "?";
        std::string out(buffer, result.ptr);
        // "-0.0" reads as a sign where there is none.
        if (out.find_first_not_of("-0.") == std::string::npos && out[0] == '-')
            out.erase(0, 1);
        return out;
    }

    std::string Padded(double value, int width)
    {
        const std::string text = Fixed(value, 0);
        if (static_cast<int>(text.size()) >= width)
            return text;
        return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text;
    }

    std::string Printable(const std::string& text)
    {
        std::string out = text;
        for (char& c : out)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
                c = '?';
        return out;
    }

    std::string PadRight(const std::string& text, std::size_t width)
    {
        return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
    }
}
