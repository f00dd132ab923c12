#pragma once

// The network side of `tscore view`: an HTTP server for the page and a WebSocket per open
// page, on one thread of its own. The reading loop (the library's thread) publishes frames
// here and takes the pages' messages from here; it never waits for the network. A page that
// reads slowly gets only the newest frame, and one that stops reading is dropped after a
// timeout, so it costs the others nothing.

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>

namespace TSCoreCli
{
    class ViewSocket;

    /// A message from a page, with the page to answer.
    struct ViewMessage
    {
        std::weak_ptr<ViewSocket> from;
        std::string text;
    };

    class ViewServer
    {
    public:
        /// Messages waiting for the reading loop; more are refused until it takes them.
        static constexpr std::size_t inboxLimit = 64;
        /// A page whose socket takes no data for this long is dropped.
        static constexpr std::chrono::seconds writeTimeout{5};

        ViewServer();
        ViewServer(const ViewServer&) = delete;
        ViewServer& operator=(const ViewServer&) = delete;
        ~ViewServer();

        /// Binds address:port (0: any free port); false and a message that says what to do.
        bool Listen(const std::string& address, unsigned short port, std::string& error);
        unsigned short Port() const { return port; }
        bool Loopback() const { return loopback; }
        /// From now on the page, its files and the WebSocket need this token (ViewToken).
        void RequireToken(std::string value) { token = std::move(value); }
        const std::string& Token() const { return token; }
        /// The cookie that carries the token for this port.
        std::string TokenCookie() const { return "tscore-view-token-" + std::to_string(port); }
        /// The first message every page gets.
        void SetHello(std::string text) { hello = std::make_shared<const std::string>(std::move(text)); }
        /// Serves on the network thread until Stop.
        void Start();
        /// Closes every page (as going away) and the listener, then ends the network thread.
        void Stop();
        /// Serves a connection that is open already (each one the listener accepts, or one of a
        /// fuzz target's): on the network thread, or before Start on the thread that runs Context.
        void Adopt(boost::asio::ip::tcp::socket socket);
        boost::asio::io_context& Context() { return io; }

        /// From any thread: every page gets the frame; a page still busy gets only the newest.
        void Publish(std::string frame);
        /// From any thread: an answer to one page, if it is still open.
        void Reply(const std::weak_ptr<ViewSocket>& to, std::string text);
        /// From any thread: the messages received since the last call.
        std::vector<ViewMessage> TakeMessages();
        /// Pages open now.
        int Clients() const { return clients.load(); }

        // For the sessions, on the network thread.
        void Opened(const std::shared_ptr<ViewSocket>& socket);
        void Closed(ViewSocket* socket);
        void Received(const std::shared_ptr<ViewSocket>& from, std::string text);
        /// Whether a request may open a socket: its Origin (when a browser sends one) must be the
        /// page's own, and on a loopback address its Host must name this machine, so that another
        /// web site open in the same browser cannot reach the gloves.
        bool Trusted(const boost::beast::http::request<boost::beast::http::string_body>& request,
                     std::string& why) const;
        /// Whether a request carries the token (in its query or its cookie), or none is required;
        /// fromQuery: it came in the query, and the browser should be given the cookie.
        bool Authorised(const boost::beast::http::request<boost::beast::http::string_body>& request,
                        bool& fromQuery) const;

    private:
        void Accept();

        // Declared before the io context: destroying it destroys the sockets it still holds,
        // and they take themselves out of these.
        std::shared_ptr<const std::string> hello;
        std::shared_ptr<const std::string> latest; ///< network thread only
        std::unordered_set<ViewSocket*> sockets;   ///< network thread only
        std::atomic<int> clients{0};
        std::mutex inboxMutex;
        std::vector<ViewMessage> inbox;
        unsigned short port = 0;
        bool loopback = true;
        std::string token; ///< empty: none required
        boost::asio::io_context io;
        boost::asio::ip::tcp::acceptor acceptor;
        std::thread thread;
    };
}
