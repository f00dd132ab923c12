#include "ViewSocket.h"

#include <boost/asio/buffer.hpp>
#include <boost/beast/core/buffers_to_string.hpp>
#include <boost/beast/websocket.hpp>

#include "ViewServer.h"

namespace TSCoreCli
{
    namespace beast = boost::beast;
    namespace websocket = beast::websocket;

    namespace
    {
        // Beast's own timeouts: a handshake must finish, and a page that answers no ping for
        // this long (a machine that vanished without closing) is dropped.
        constexpr std::chrono::seconds handshakeTimeout{10};
        constexpr std::chrono::seconds idleTimeout{15};
        // A small kernel buffer keeps frames from queueing up behind a slow page: the newest
        // frame waits here instead, and the page sees it with little delay.
        constexpr int sendBufferBytes = 64 * 1024;
    }

    ViewSocket::ViewSocket(boost::asio::ip::tcp::socket socket, ViewServer& server_)
        : server(server_), ws(std::move(socket)), writeTimer(ws.get_executor())
    {
    }

    ViewSocket::~ViewSocket()
    {
        if (open)
            server.Closed(this);
    }

    void ViewSocket::Accept(beast::http::request<beast::http::string_body> request)
    {
        beast::error_code ignored;
        beast::get_lowest_layer(ws).socket().set_option(boost::asio::socket_base::send_buffer_size(sendBufferBytes),
                                                        ignored);
        beast::get_lowest_layer(ws).expires_never();
        ws.set_option(websocket::stream_base::timeout{handshakeTimeout, idleTimeout, true});
        ws.set_option(websocket::stream_base::decorator([](websocket::response_type& response)
                                                        { response.set(beast::http::field::server, "tscore view"); }));
        ws.read_message_max(messageLimit);
        ws.text(true);
        upgrade = std::move(request);
        ws.async_accept(upgrade, [self = shared_from_this()](beast::error_code error) { self->OnAccept(error); });
    }

    void ViewSocket::OnAccept(beast::error_code error)
    {
        if (error)
            return;
        open = true;
        server.Opened(shared_from_this());
        ReadNext();
    }

    void ViewSocket::ReadNext()
    {
        ws.async_read(input,
                      [self = shared_from_this()](beast::error_code error, std::size_t) { self->OnRead(error); });
    }

    void ViewSocket::OnRead(beast::error_code error)
    {
        if (error)
        {
            // A message over the limit or broken framing ends the page's connection; the
            // page reconnects on its own.
            if (error != websocket::error::closed)
                Drop();
            return;
        }
        server.Received(shared_from_this(), beast::buffers_to_string(input.data()));
        input.consume(input.size());
        ReadNext();
    }

    void ViewSocket::Offer(const std::shared_ptr<const std::string>& frame)
    {
        nextFrame = frame;
        WriteNext();
    }

    void ViewSocket::Send(const std::shared_ptr<const std::string>& text)
    {
        if (replies.size() >= replyLimit)
            replies.pop_front();
        replies.push_back(text);
        WriteNext();
    }

    void ViewSocket::WriteNext()
    {
        if (!open || closing || writing)
            return;
        if (!replies.empty())
        {
            writing = replies.front();
            replies.pop_front();
        }
        else if (nextFrame)
            writing = std::move(nextFrame);
        else
            return;
        writeTimer.expires_after(ViewServer::writeTimeout);
        writeTimer.async_wait(
            [weak = weak_from_this()](beast::error_code error)
            {
                if (auto self = weak.lock(); self && !error && self->writing)
                    self->Drop();
            });
        ws.async_write(boost::asio::buffer(*writing),
                       [self = shared_from_this()](beast::error_code error, std::size_t) { self->OnWrite(error); });
    }

    void ViewSocket::OnWrite(beast::error_code error)
    {
        writing.reset();
        writeTimer.cancel();
        if (error)
        {
            Drop();
            return;
        }
        WriteNext();
    }

    void ViewSocket::Close()
    {
        if (!open || closing)
            return;
        closing = true;
        ws.async_close(websocket::close_code::going_away, [self = shared_from_this()](beast::error_code) {});
    }

    void ViewSocket::Drop()
    {
        beast::error_code ignored;
        beast::get_lowest_layer(ws).socket().shutdown(boost::asio::ip::tcp::socket::shutdown_both, ignored);
        beast::get_lowest_layer(ws).close();
    }
}
