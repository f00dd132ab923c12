#pragma once

// One HTTP connection to `tscore view`: serves the page's files and hands a WebSocket
// upgrade of "/ws" over to a ViewSocket. Requests are small and bounded in size and time.

#include <memory>
#include <optional>

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>

namespace TSCoreCli
{
    class ViewServer;

    class ViewHttpSession : public std::enable_shared_from_this<ViewHttpSession>
    {
    public:
        ViewHttpSession(boost::asio::ip::tcp::socket socket, ViewServer& server);
        void Start();

    private:
        using Request = boost::beast::http::request<boost::beast::http::string_body>;
        using Response = boost::beast::http::response<boost::beast::http::string_body>;

        void ReadNext();
        void OnRead(boost::beast::error_code error);
        Response Answer(const Request& request) const;
        /// 403 with what to do: for a request without the token, or one a page may not make.
        static Response Forbidden(const Request& request, const std::string& why);
        void Write(Response response);

        ViewServer& server;
        boost::beast::tcp_stream stream;
        boost::beast::flat_buffer buffer;
        std::optional<boost::beast::http::request_parser<boost::beast::http::string_body>> parser;
        std::shared_ptr<Response> pending; ///< the response being written
    };
}
