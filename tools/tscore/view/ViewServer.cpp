#include "ViewServer.h"

#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/http/field.hpp>

#include "ViewHttpSession.h"
#include "ViewSocket.h"
#include "ViewToken.h"

namespace TSCoreCli
{
    namespace net = boost::asio;
    using tcp = net::ip::tcp;

    namespace
    {
        /// The host part of a Host header or an origin's authority: "[::1]:80" gives "[::1]".
        std::string_view HostName(std::string_view authority)
        {
            if (!authority.empty() && authority.front() == '[')
                return authority.substr(0, authority.find(']') + 1);
            return authority.substr(0, authority.find(':'));
        }

        bool LoopbackName(std::string_view host)
        {
            boost::system::error_code error;
            const std::string text(host.size() > 1 && host.front() == '[' ? host.substr(1, host.size() - 2) : host);
            const net::ip::address address = net::ip::make_address(text, error);
            return host == "localhost" || (!error && address.is_loopback());
        }
    }

    ViewServer::ViewServer() : acceptor(io) {}

    ViewServer::~ViewServer() { Stop(); }

    bool ViewServer::Listen(const std::string& address, unsigned short port_, std::string& error)
    {
        boost::system::error_code ec;
        const net::ip::address ip = net::ip::make_address(address, ec);
        if (ec)
        {
            error = "--bind must be an IP address such as 127.0.0.1 (this machine only) or 0.0.0.0 (every "
                    "network), not '" +
                    address + "'";
            return false;
        }
        const tcp::endpoint endpoint(ip, port_);
        if (acceptor.open(endpoint.protocol(), ec) || acceptor.set_option(net::socket_base::reuse_address(true), ec) ||
            acceptor.bind(endpoint, ec) || acceptor.listen(net::socket_base::max_listen_connections, ec))
        {
            error =
                "cannot listen on " + address + " port " + std::to_string(port_) + ": " + ec.message() +
                (ec == net::error::address_in_use ? ". Choose another port with --port N, or --port 0 for a free one"
                                                  : "");
            acceptor.close(ec);
            return false;
        }
        port = acceptor.local_endpoint(ec).port();
        loopback = ip.is_loopback();
        return true;
    }

    void ViewServer::Start()
    {
        Accept();
        thread = std::thread([this] { io.run(); });
    }

    void ViewServer::Accept()
    {
        acceptor.async_accept(io,
                              [this](boost::system::error_code error, tcp::socket socket)
                              {
                                  if (error == net::error::operation_aborted || !acceptor.is_open())
                                      return;
                                  if (!error)
                                  {
                                      Adopt(std::move(socket));
                                      Accept();
                                      return;
                                  }
                                  // Out of descriptors, say: try again shortly rather than spin.
                                  auto pause = std::make_shared<net::steady_timer>(io, std::chrono::milliseconds(100));
                                  pause->async_wait([this, pause](boost::system::error_code) { Accept(); });
                              });
    }

    void ViewServer::Adopt(tcp::socket socket) { std::make_shared<ViewHttpSession>(std::move(socket), *this)->Start(); }

    void ViewServer::Stop()
    {
        if (!thread.joinable())
            return;
        // Pages are told the server goes away; whatever has not closed a second later is cut.
        auto deadline = std::make_shared<net::steady_timer>(io, std::chrono::seconds(1));
        net::post(io,
                  [this, deadline]
                  {
                      boost::system::error_code ignored;
                      acceptor.close(ignored);
                      for (ViewSocket* socket : sockets)
                          socket->Close();
                      deadline->async_wait([this](boost::system::error_code) { io.stop(); });
                  });
        thread.join();
    }

    void ViewServer::Publish(std::string frame)
    {
        auto shared = std::make_shared<const std::string>(std::move(frame));
        net::post(io,
                  [this, shared]
                  {
                      latest = shared;
                      for (ViewSocket* socket : sockets)
                          socket->Offer(shared);
                  });
    }

    void ViewServer::Reply(const std::weak_ptr<ViewSocket>& to, std::string text)
    {
        auto shared = std::make_shared<const std::string>(std::move(text));
        net::post(io,
                  [to, shared]
                  {
                      if (auto socket = to.lock())
                          socket->Send(shared);
                  });
    }

    std::vector<ViewMessage> ViewServer::TakeMessages()
    {
        std::vector<ViewMessage> out;
        const std::lock_guard<std::mutex> lock(inboxMutex);
        out.swap(inbox);
        return out;
    }

    void ViewServer::Opened(const std::shared_ptr<ViewSocket>& socket)
    {
        sockets.insert(socket.get());
        ++clients;
        if (hello)
            socket->Send(hello);
        if (latest)
            socket->Offer(latest);
    }

    void ViewServer::Closed(ViewSocket* socket)
    {
        sockets.erase(socket);
        --clients;
    }

    void ViewServer::Received(const std::shared_ptr<ViewSocket>& from, std::string text)
    {
        {
            const std::lock_guard<std::mutex> lock(inboxMutex);
            if (inbox.size() < inboxLimit)
            {
                inbox.push_back({from, std::move(text)});
                return;
            }
        }
        from->Send(std::make_shared<const std::string>(
            R"({"type":"reply","ok":false,"message":"too many messages at once: this one was dropped"})"));
    }

    bool ViewServer::Authorised(const boost::beast::http::request<boost::beast::http::string_body>& request,
                                bool& fromQuery) const
    {
        fromQuery = false;
        if (token.empty())
            return true;
        const std::string_view target(request.target().data(), request.target().size());
        if (SameToken(QueryValue(target, "token"), token))
            return fromQuery = true;
        const auto cookie = request[boost::beast::http::field::cookie];
        return SameToken(CookieValue(std::string_view(cookie.data(), cookie.size()), TokenCookie()), token);
    }

    bool ViewServer::Trusted(const boost::beast::http::request<boost::beast::http::string_body>& request,
                             std::string& why) const
    {
        const auto hostField = request[boost::beast::http::field::host];
        const std::string_view host(hostField.data(), hostField.size());
        if (loopback && !LoopbackName(HostName(host)))
        {
            why = "This view listens on this machine only; open it as http://127.0.0.1 or http://localhost.";
            return false;
        }
        const auto originField = request[boost::beast::http::field::origin];
        const std::string_view origin(originField.data(), originField.size());
        if (!origin.empty() && origin != "http://" + std::string(host))
        {
            why = "Only the view's own page may connect here.";
            return false;
        }
        return true;
    }
}
