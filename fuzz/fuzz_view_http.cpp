// The view's HTTP side as a browser or anyone on the network meets it: the input is the bytes
// of one connection (pipelined requests, an upgrade to the WebSocket and whatever follows),
// read by the real session. Its first byte says whether the server requires its token. Every
// answer is a well-formed HTTP response; nothing is served without the token when it is required.
#include <cstdint>
#include <string>

#include "fuzz_view_session.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TSCoreFuzz::IgnoreBrokenPipes();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool token = (data[0] & 1) != 0;
    TSCoreCli::ViewServer server;
    server.SetHello(R"({"type":"hello"})");
    if (token)
        server.RequireToken(TSCoreFuzz::viewToken);
    const std::string out = TSCoreFuzz::Exchange(server, TSCoreFuzz::Text(data + 1, size - 1), "");
    TSCoreFuzz::Check(out.empty() || out.rfind("HTTP/1.", 0) == 0, "the server answers in HTTP");
    // Without the token every answer is the refusal (one, then the connection closes).
    if (token && out.find(TSCoreFuzz::viewToken) == std::string::npos &&
        std::string(reinterpret_cast<const char*>(data + 1), size - 1).find(TSCoreFuzz::viewToken) == std::string::npos)
        TSCoreFuzz::Check(out.empty() || out.rfind("HTTP/1.1 403", 0) == 0 || out.rfind("HTTP/1.0 403", 0) == 0 ||
                              out.rfind("HTTP/1.1 400", 0) == 0,
                          "without the token only a refusal or a bad request");
    TSCoreFuzz::Check(server.Clients() == 0, "every page is gone once its connection is");
    return 0;
}
