// The view's WebSocket as a page (or a hostile client) meets it: a real upgrade, then the
// input's frames read by the real socket session, and every message it lets through answered
// by the real haptics handler, with haptics allowed or not. The first byte chooses: bit 0
// haptics allowed, bit 1 the rest is the raw byte stream (framing included) rather than
// messages separated by NUL and framed here. No gloves: the service is not running.
#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "fuzz_view_session.h"
#include "view/ViewFrames.h"
#include "view/ViewHaptics.h"
#include "view/ViewSocket.h"

namespace
{
    const char* const upgrade = "GET /ws HTTP/1.1\r\nHost: 127.0.0.1:8080\r\nUpgrade: websocket\r\n"
                                "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                                "Sec-WebSocket-Version: 13\r\nOrigin: http://127.0.0.1:8080\r\n\r\n";

    /// A client's text frame: final, masked (with a mask of its own bytes), of any length.
    std::string Frame(const std::string& message, unsigned char mask)
    {
        std::string out(1, '\x81');
        const std::size_t n = message.size();
        if (n < 126)
            out += static_cast<char>(0x80 | n);
        else if (n < 65536)
            out += std::string{'\xfe', static_cast<char>(n >> 8), static_cast<char>(n & 0xff)};
        else
        {
            out += '\xff';
            for (int shift = 56; shift >= 0; shift -= 8)
                out += static_cast<char>((static_cast<std::uint64_t>(n) >> shift) & 0xff);
        }
        const unsigned char key[4] = {mask, static_cast<unsigned char>(mask + 1), 0x5a, 0xa5};
        out.append(reinterpret_cast<const char*>(key), 4);
        for (std::size_t i = 0; i < n; ++i)
            out += static_cast<char>(static_cast<unsigned char>(message[i]) ^ key[i % 4]);
        return out;
    }

    TSCoreCli::ViewFrames& Frames()
    {
        static TSCoreCli::ViewFrames frames(TSCoreCli::GloveOptions{}, std::nullopt);
        return frames;
    }
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TSCoreFuzz::IgnoreBrokenPipes();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool allowed = (data[0] & 1) != 0;
    const std::string rest = TSCoreFuzz::Text(data + 1, size - 1);
    std::string stream;
    if ((data[0] & 2) != 0)
        stream = rest;
    else
        for (std::size_t at = 0; at <= rest.size();)
        {
            const std::size_t end = std::min(rest.find('\0', at), rest.size());
            stream += Frame(rest.substr(at, end - at), data[0]);
            at = end + 1;
        }
    TSCoreCli::ViewServer server;
    server.SetHello(R"({"type":"hello"})");
    const std::string out = TSCoreFuzz::Exchange(server, upgrade, stream);
    TSCoreFuzz::Check(out.rfind("HTTP/1.1 101", 0) == 0, "the upgrade is accepted");

    TSCoreCli::ViewFrames& frames = Frames();
    TSCoreCli::ViewHaptics haptics(allowed);
    const double now = 1.0;
    frames.Tick(now);
    for (const TSCoreCli::ViewMessage& message : server.TakeMessages())
    {
        TSCoreFuzz::Check(message.text.size() <= TSCoreCli::ViewSocket::messageLimit, "messages within the limit");
        const auto reply = nlohmann::json::parse(haptics.Handle(message.text, frames, now), nullptr, false);
        TSCoreFuzz::Check(reply.is_object() && reply.value("type", "") == "reply" && reply.contains("ok"),
                          "every message is answered");
        TSCoreFuzz::Check(!reply["ok"].get<bool>() || !allowed || reply.value("message", "") == "stopped every glove",
                          "without a glove only a stop of every glove succeeds");
        TSCoreFuzz::Check(allowed || !reply["ok"].get<bool>(), "nothing is done without --allow-haptics");
    }
    haptics.Tick(frames, now + 10.0);
    haptics.StopAll(frames);
    TSCoreFuzz::Check(!haptics.Driving(), "nothing driven once stopped");
    return 0;
}
