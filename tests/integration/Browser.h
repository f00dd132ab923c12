#pragma once

// A real headless Chromium for the tests of `tscore view`, driven through its DevTools
// protocol over a WebSocket (Boost.Beast): open tabs, evaluate JavaScript in them, take
// screenshots. Every call has a timeout, so a hung browser fails the test instead of it.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "SimProcess.h"
#include "WebSocketClient.h"

namespace TSCoreTest
{
    /// An RGBA picture.
    struct Image
    {
        unsigned width = 0;
        unsigned height = 0;
        std::vector<std::uint8_t> rgba;

        const std::uint8_t* At(unsigned x, unsigned y) const { return &rgba[(std::size_t{y} * width + x) * 4]; }
    };

    /// A PNG file's pixels; an empty image when it cannot be read.
    Image DecodePng(const std::string& bytes);

    class Browser
    {
    public:
        Browser();
        Browser(const Browser&) = delete;
        Browser& operator=(const Browser&) = delete;
        ~Browser();

        /// Starts Chromium; false and why when this machine cannot run it.
        bool Start(std::string& why);

        /// Opens url in a new tab of width x height CSS pixels (one device pixel each); the
        /// tab's session id.
        std::string OpenTab(const std::string& url, int width = 1200, int height = 800);
        /// The value of a JavaScript expression in a tab (a promise is awaited); null when it
        /// threw.
        nlohmann::json Evaluate(const std::string& session, const std::string& expression);
        /// Polls expression until it is true; false after timeout.
        bool WaitFor(const std::string& session, const std::string& expression,
                     std::chrono::milliseconds timeout = std::chrono::seconds(15));
        /// The tab as the compositor drew it, PNG bytes.
        std::string Screenshot(const std::string& session);

        /// One protocol command; its result, or an object with "error".
        nlohmann::json Call(const std::string& method, const nlohmann::json& params = nlohmann::json::object(),
                            const std::string& session = "");

    private:
        ChildProcess process;
        std::string profileDir;
        std::unique_ptr<WebSocketClient> connection;
        long nextId = 1;
    };
}
