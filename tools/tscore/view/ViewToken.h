#pragma once

// The secret that `tscore view` requires off loopback: drawn from the system's random source,
// printed in the URL as ?token=..., remembered by the browser as a cookie of the port's own so
// that the page's files and its WebSocket carry it too, and compared in constant time.

#include <string>
#include <string_view>

namespace TSCoreCli
{
    /// Bytes of randomness in a token (256 bits), written as 43 URL-safe characters.
    constexpr std::size_t tokenBytes = 32;

    /// A new token; empty, with why set, when the system gives no randomness.
    std::string NewToken(std::string& why);

    /// The value of parameter name in a request target's query ("/x?a=1&token=T" gives "T"),
    /// empty when it has none.
    std::string_view QueryValue(std::string_view target, std::string_view name);
    /// The value of cookie name in a Cookie header ("a=1; tscore-view-token-80=T"), empty when absent.
    std::string_view CookieValue(std::string_view header, std::string_view name);

    /// Whether given equals token, in a time that depends on the token's length alone.
    bool SameToken(std::string_view given, std::string_view token);
}
