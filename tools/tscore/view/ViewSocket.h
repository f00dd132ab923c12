#pragma once

// One open page of `tscore view`: a WebSocket that carries frames to the page and the page's
// messages back. At most one frame waits beside the one being written (a newer one replaces
// it); answers wait in a short queue of their own and go first.

#include <deque>
#include <memory>
#include <string>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/websocket/stream.hpp>

namespace TSCoreCli
{
    class ViewServer;

    class ViewSocket : public std::enable_shared_from_this<ViewSocket>
    {
    public:
        /// Largest message a page may send.
        static constexpr std::size_t messageLimit = 4096;
        /// Answers kept for a page that does not read them; older ones are dropped.
        static constexpr std::size_t replyLimit = 16;

        ViewSocket(boost::asio::ip::tcp::socket socket, ViewServer& server);
        ViewSocket(const ViewSocket&) = delete;
        ViewSocket& operator=(const ViewSocket&) = delete;
        ~ViewSocket();

        /// Completes the upgrade that request asked for, then serves the page.
        void Accept(boost::beast::http::request<boost::beast::http::string_body> request);
        void Offer(const std::shared_ptr<const std::string>& frame);
        void Send(const std::shared_ptr<const std::string>& text);
        /// Closes as going away; the socket ends once the close is done.
        void Close();

    private:
        void OnAccept(boost::beast::error_code error);
        void ReadNext();
        void OnRead(boost::beast::error_code error);
        void WriteNext();
        void OnWrite(boost::beast::error_code error);
        /// Ends the connection at once (a failed or stuck write, a protocol error).
        void Drop();

        ViewServer& server;
        boost::beast::websocket::stream<boost::beast::tcp_stream> ws;
        boost::beast::http::request<boost::beast::http::string_body> upgrade; ///< kept until accepted
        boost::beast::flat_buffer input;
        boost::asio::steady_timer writeTimer;
        std::shared_ptr<const std::string> writing;
        std::shared_ptr<const std::string> nextFrame;
        std::deque<std::shared_ptr<const std::string>> replies;
        bool open = false;
        bool closing = false;
    };
}
