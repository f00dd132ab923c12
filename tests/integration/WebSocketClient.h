#pragma once

// A WebSocket client for the tests (Boost.Beast): talks to `tscore view` as a page would, and
// to Chromium's DevTools. Every operation has a timeout.

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace TSCoreTest
{
    class WebSocketClient
    {
    public:
        WebSocketClient();
        WebSocketClient(const WebSocketClient&) = delete;
        WebSocketClient& operator=(const WebSocketClient&) = delete;
        ~WebSocketClient();

        /// receiveBuffer > 0 shrinks the socket's receive buffer first (a slow reader);
        /// origin, when given, is sent as a browser would. False and why on failure.
        bool Connect(const std::string& host, unsigned short port, const std::string& path, std::string& why,
                     const std::string& origin = "", int receiveBuffer = 0);
        bool Send(const std::string& text, std::chrono::milliseconds timeout = std::chrono::seconds(10));
        /// The next message; nothing on timeout or when the connection ended (then Closed()).
        std::optional<std::string> Receive(std::chrono::milliseconds timeout = std::chrono::seconds(10));
        bool Closed() const { return closed; }

    private:
        struct State;
        std::unique_ptr<State> state;
        bool closed = false;
    };
}
