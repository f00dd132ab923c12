#pragma once

// Output helpers: whether stdout is a terminal, in-place redraw, bars and number text.

#include <cstdio>
#include <string>
#include <vector>

namespace TSCoreCli
{
    bool StdoutIsTerminal();

    struct TerminalSize
    {
        int columns = 80;
        int rows = 24;
    };
    /// What the terminal on stdout reports; 80x24 when it reports nothing.
    TerminalSize TerminalSizeNow();
    /// From now on TerminalResized notes each change of the terminal's size (SIGWINCH).
    void WatchTerminalSize();
    /// True once after each change of the terminal's size since WatchTerminalSize.
    bool TerminalResized();

    /// Redraws a block of lines in place on a terminal: each Draw moves the cursor back over
    /// the previous block and overwrites it. Lines wider than the terminal are wrapped at
    /// spaces (a word wider still is cut), so that the terminal wraps none itself (that would
    /// spoil the next redraw), and the block is cut to the terminal's height; after
    /// the terminal changed size the screen is cleared first. The cursor is hidden while the
    /// block is live.
    class LiveBlock
    {
    public:
        LiveBlock() = default;
        LiveBlock(const LiveBlock&) = delete;
        LiveBlock& operator=(const LiveBlock&) = delete;
        ~LiveBlock();

        /// resized: the terminal changed size since the last Draw.
        void Draw(const std::vector<std::string>& lines, const TerminalSize& size, bool resized);
        /// Leaves the last block on screen and shows the cursor again.
        void Finish();

    private:
        std::size_t drawn = 0;
        bool active = false;
    };

    /// "[#####-----]" with width cells for a value in 0 .. 1 (clamped; NaN shows empty).
    std::string Bar(float fraction, int width);
    /// Fixed-point text with the given number of decimals, independent of the locale.
    std::string Fixed(double value, int decimals);
    /// Whole number right-aligned in width columns (rounded; NaN shows "nan").
    std::string Padded(double value, int width);
    /// text from another process made safe to print: control bytes (escape sequences among
    /// them) become '?'.
    std::string Printable(const std::string& text);
    /// text padded with spaces to width columns (never cut).
    std::string PadRight(const std::string& text, std::size_t width);
}
