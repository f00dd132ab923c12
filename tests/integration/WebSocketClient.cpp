#include "WebSocketClient.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

namespace TSCoreTest
{
    namespace beast = boost::beast;
    namespace net = boost::asio;

    struct WebSocketClient::State
    {
        net::io_context io;
        beast::websocket::stream<beast::tcp_stream> ws{io};

        /// Runs the io context until done is set or the timeout passes; false on timeout.
        bool RunUntil(const bool& done, std::chrono::milliseconds timeout)
        {
            io.restart();
            const auto end = std::chrono::steady_clock::now() + timeout;
            while (!done && std::chrono::steady_clock::now() < end)
                io.run_for(std::chrono::milliseconds(20));
            return done;
        }
    };

    WebSocketClient::WebSocketClient() : state(std::make_unique<State>())
    {
        state->ws.read_message_max(64 * 1024 * 1024); // screenshots come as one message
    }

    WebSocketClient::~WebSocketClient() = default;

    bool WebSocketClient::Connect(const std::string& host, unsigned short port, const std::string& path,
                                  std::string& why, const std::string& origin, int receiveBuffer)
    {
        beast::error_code error;
        auto& socket = beast::get_lowest_layer(state->ws).socket();
        socket.open(net::ip::tcp::v4(), error);
        if (!error && receiveBuffer > 0)
            socket.set_option(net::socket_base::receive_buffer_size(receiveBuffer), error);
        if (!error)
            socket.connect(net::ip::tcp::endpoint(net::ip::make_address(host), port), error);
        if (!error)
        {
            state->ws.set_option(beast::websocket::stream_base::decorator(
                [origin](beast::websocket::request_type& r)
                {
                    if (!origin.empty())
                        r.set(beast::http::field::origin, origin);
                }));
            bool done = false;
            state->ws.async_handshake(host + ":" + std::to_string(port), path,
                                      [&](beast::error_code e)
                                      {
                                          error = e;
                                          done = true;
                                      });
            if (!state->RunUntil(done, std::chrono::seconds(10)))
                error = beast::error::timeout;
        }
        if (error)
            why = error.message();
        return !error;
    }

    bool WebSocketClient::Send(const std::string& text, std::chrono::milliseconds timeout)
    {
        bool done = false;
        beast::error_code error;
        state->ws.async_write(net::buffer(text),
                              [&](beast::error_code e, std::size_t)
                              {
                                  error = e;
                                  done = true;
                              });
        return state->RunUntil(done, timeout) && !error;
    }

    std::optional<std::string> WebSocketClient::Receive(std::chrono::milliseconds timeout)
    {
        if (closed)
            return std::nullopt;
        beast::flat_buffer buffer;
        bool done = false;
        beast::error_code error;
        state->ws.async_read(buffer,
                             [&](beast::error_code e, std::size_t)
                             {
                                 error = e;
                                 done = true;
                             });
        if (!state->RunUntil(done, timeout))
        {
            // A read cannot be left pending into the next call: cancel it and let it finish.
            beast::get_lowest_layer(state->ws).cancel();
            state->RunUntil(done, std::chrono::seconds(5));
            if (error && error != net::error::operation_aborted)
                closed = true;
            return std::nullopt;
        }
        if (error)
        {
            closed = true;
            return std::nullopt;
        }
        return beast::buffers_to_string(buffer.data());
    }
}
