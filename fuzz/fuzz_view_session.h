#pragma once

// What the view's fuzz targets share: a real ViewServer whose session reads the input from a
// connected socket pair and writes its answers back, all on the target's own thread, and the
// page-side steps (waiting for the upgrade's answer before sending frames, as a browser must).

#include <sys/socket.h>

#include <array>
#include <csignal>
#include <functional>
#include <string>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/local/stream_protocol.hpp>
#include <boost/asio/read_until.hpp>
#include <boost/asio/write.hpp>

#include "FuzzHelpers.h"
#include "view/ViewServer.h"

namespace TSCoreFuzz
{
    namespace net = boost::asio;

    /// The token a fuzzed server may require; the dictionary holds it too.
    constexpr char viewToken[] = "fuzz-token-0123456789";

    inline void IgnoreBrokenPipes() { std::signal(SIGPIPE, SIG_IGN); }

    /// One connection to server: first is written whole; then, once the server's answer so far
    /// holds "\r\n\r\n" (a response's end of header), second. The client's side is shut for
    /// writing after the last, and everything the server sends is read until it closes.
    inline std::string Exchange(TSCoreCli::ViewServer& server, const std::string& first, const std::string& second)
    {
        int fds[2];
        Check(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0, "a socket pair opens");
        net::io_context& io = server.Context();
        io.restart();
        boost::system::error_code ec;
        net::ip::tcp::socket serverSide(io);
        serverSide.assign(net::ip::tcp::v4(), fds[0], ec);
        net::local::stream_protocol::socket client(io);
        client.assign(net::local::stream_protocol(), fds[1], ec);
        server.Adopt(std::move(serverSide));

        std::string out;
        std::array<char, 4096> chunk{};
        bool secondSent = second.empty();
        const auto finish = [&]
        {
            boost::system::error_code ignored;
            client.shutdown(net::socket_base::shutdown_send, ignored);
        };
        const auto sendSecond = [&]
        {
            secondSent = true;
            net::async_write(client, net::buffer(second), [&](boost::system::error_code, std::size_t) { finish(); });
        };
        std::function<void()> readMore = [&]
        {
            client.async_read_some(net::buffer(chunk),
                                   [&](boost::system::error_code error, std::size_t n)
                                   {
                                       out.append(chunk.data(), n);
                                       if (!secondSent && out.find("\r\n\r\n") != std::string::npos)
                                           sendSecond();
                                       if (!error && out.size() < (1u << 22))
                                           readMore();
                                       else if (!secondSent)
                                           finish();
                                   });
        };
        net::async_write(client, net::buffer(first),
                         [&](boost::system::error_code error, std::size_t)
                         {
                             if (error || second.empty())
                                 finish();
                         });
        readMore();
        io.run();
        return out;
    }
}
