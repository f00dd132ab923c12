#include "ViewHttpSession.h"

#include <boost/beast/http.hpp>
#include <boost/beast/websocket/rfc6455.hpp>

#include "ViewPage.h"
#include "ViewServer.h"
#include "ViewSocket.h"

namespace TSCoreCli
{
    namespace beast = boost::beast;
    namespace http = beast::http;

    namespace
    {
        // A browser's request for a page is well under these; anything larger is not one.
        constexpr std::uint32_t headerLimit = 8 * 1024;
        constexpr std::uint64_t bodyLimit = 1024;
        constexpr std::chrono::seconds requestTimeout{30};
    }

    ViewHttpSession::ViewHttpSession(boost::asio::ip::tcp::socket socket, ViewServer& server_)
        : server(server_), stream(std::move(socket))
    {
    }

    void ViewHttpSession::Start() { ReadNext(); }

    void ViewHttpSession::ReadNext()
    {
        parser.emplace();
        parser->header_limit(headerLimit);
        parser->body_limit(bodyLimit);
        stream.expires_after(requestTimeout);
        http::async_read(stream, buffer, *parser,
                         [self = shared_from_this()](beast::error_code error, std::size_t) { self->OnRead(error); });
    }

    void ViewHttpSession::OnRead(beast::error_code error)
    {
        if (error == http::error::end_of_stream || error == beast::error::timeout)
            return stream.close();
        if (error)
        {
            // Too large or malformed: say so once, then close.
            Response response{http::status::bad_request, 11};
            response.set(http::field::content_type, "text/plain; charset=utf-8");
            response.body() = "Bad request: " + error.message() + "\n";
            response.keep_alive(false);
            return Write(std::move(response));
        }
        Request request = parser->release();
        bool fromQuery = false;
        if (!server.Authorised(request, fromQuery))
            return Write(Forbidden(request, "This view needs its token: open the URL that tscore view printed at start "
                                            "(http://...:" +
                                                std::to_string(server.Port()) + "/?token=...)."));
        const std::string_view target(request.target().data(), request.target().size());
        if (beast::websocket::is_upgrade(request) && target.substr(0, target.find('?')) == "/ws")
        {
            std::string why;
            if (!server.Trusted(request, why))
                return Write(Forbidden(request, why));
            stream.expires_never();
            std::make_shared<ViewSocket>(stream.release_socket(), server)->Accept(std::move(request));
            return;
        }
        Response response = Answer(request);
        // The browser keeps the token for the page's files, its socket and a reload without it.
        if (fromQuery && response.result() == http::status::ok)
            response.set(http::field::set_cookie,
                         server.TokenCookie() + "=" + server.Token() + "; Path=/; HttpOnly; SameSite=Strict");
        Write(std::move(response));
    }

    ViewHttpSession::Response ViewHttpSession::Forbidden(const Request& request, const std::string& why)
    {
        Response response{http::status::forbidden, request.version()};
        response.set(http::field::server, "tscore view");
        response.set(http::field::content_type, "text/plain; charset=utf-8");
        response.body() = why + "\n";
        response.keep_alive(false);
        response.prepare_payload();
        return response;
    }

    ViewHttpSession::Response ViewHttpSession::Answer(const Request& request) const
    {
        Response response{http::status::ok, request.version()};
        response.set(http::field::server, "tscore view");
        response.set(http::field::content_type, "text/plain; charset=utf-8");
        response.keep_alive(request.keep_alive());
        const std::string_view target(request.target().data(), request.target().size());
        const EmbeddedFile* file = FindPageFile(target);
        if (request.method() != http::verb::get && request.method() != http::verb::head)
        {
            response.result(http::status::method_not_allowed);
            response.set(http::field::allow, "GET, HEAD");
            response.body() = "Only GET and HEAD are served here.\n";
        }
        else if (file == nullptr)
        {
            response.result(http::status::not_found);
            response.body() = "Not found. The view is at /\n";
        }
        else
        {
            response.set(http::field::content_type, ContentType(file->path));
            // The page is part of the binary: a newer tscore must not meet an old cached copy.
            response.set(http::field::cache_control, "no-store");
            response.body().assign(reinterpret_cast<const char*>(file->data), file->size);
        }
        response.prepare_payload();
        if (request.method() == http::verb::head)
            response.body().clear();
        return response;
    }

    void ViewHttpSession::Write(Response response)
    {
        pending = std::make_shared<Response>(std::move(response));
        http::async_write(stream, *pending,
                          [self = shared_from_this()](beast::error_code error, std::size_t)
                          {
                              if (error || !self->pending->keep_alive())
                              {
                                  beast::error_code ignored;
                                  self->stream.socket().shutdown(boost::asio::ip::tcp::socket::shutdown_send, ignored);
                                  return;
                              }
                              self->ReadNext();
                          });
    }
}
