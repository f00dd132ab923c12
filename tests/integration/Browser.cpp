#include "Browser.h"

#include <png.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <thread>

namespace TSCoreTest
{
    using json = nlohmann::json;

    namespace
    {
        constexpr auto callTimeout = std::chrono::seconds(30);

        std::string Base64Decode(const std::string& text)
        {
            static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
            std::string out;
            unsigned bits = 0;
            int count = 0;
            for (const char c : text)
            {
                const auto at = alphabet.find(c);
                if (at == std::string::npos)
                    continue; // padding, line breaks
                bits = (bits << 6) | static_cast<unsigned>(at);
                count += 6;
                if (count >= 8)
                {
                    count -= 8;
                    out.push_back(static_cast<char>((bits >> count) & 0xff));
                }
            }
            return out;
        }

        std::string FindChromium()
        {
            for (const char* path : {"/usr/bin/chromium", "/usr/bin/chromium-browser"})
                if (access(path, X_OK) == 0)
                    return path;
            return {};
        }
    }

    Image DecodePng(const std::string& bytes)
    {
        Image image;
        png_image png{};
        png.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size()))
            return image;
        png.format = PNG_FORMAT_RGBA;
        image.rgba.resize(PNG_IMAGE_SIZE(png));
        if (!png_image_finish_read(&png, nullptr, image.rgba.data(), 0, nullptr))
            return Image{};
        image.width = png.width;
        image.height = png.height;
        return image;
    }

    Browser::Browser() = default;

    Browser::~Browser()
    {
        connection.reset();
        // Asked to quit, the browser ends its renderer processes with it.
        if (process.Running() && process.Stop(SIGTERM, std::chrono::seconds(5)) < 0)
            process.Stop(SIGKILL);
        if (!profileDir.empty())
        {
            std::error_code ignored;
            std::filesystem::remove_all(profileDir, ignored);
        }
    }

    bool Browser::Start(std::string& why)
    {
        const std::string program = FindChromium();
        if (program.empty())
            return why = "chromium is not installed (scripts/setup.sh installs it)", false;
        char dir[] = "/tmp/tscore-view-browser-XXXXXX";
        if (mkdtemp(dir) == nullptr)
            return why = "cannot make a profile directory", false;
        profileDir = dir;
        // Without the networking switches the browser reaches out to the network at start,
        // which this machine refuses; without the sandbox switch it cannot run as root.
        if (!process.Start(program, {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                                     "--disable-background-timer-throttling", "--disable-renderer-backgrounding",
                                     "--disable-backgrounding-occluded-windows", "--user-data-dir=" + profileDir,
                                     "--remote-debugging-port=0", "about:blank"}))
            return why = "cannot start " + program, false;
        const std::regex listening(R"(DevTools listening on ws://([0-9.]+):([0-9]+)(/\S+))");
        std::smatch match;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        std::string text;
        while (std::chrono::steady_clock::now() < end &&
               !std::regex_search(text = process.ErrorText(), match, listening))
        {
            if (!process.Running())
                return why = "chromium exited at start: " + text.substr(0, 300), false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (match.empty())
            return why = "chromium did not open its DevTools port within 30 s", false;
        connection = std::make_unique<WebSocketClient>();
        if (!connection->Connect(match[1].str(), static_cast<unsigned short>(std::stoi(match[2].str())), match[3].str(),
                                 why))
            return why = "cannot reach chromium's DevTools: " + why, false;
        return true;
    }

    json Browser::Call(const std::string& method, const json& params, const std::string& session)
    {
        if (!connection)
            return {{"error", "no browser"}};
        const long id = nextId++;
        json message = {{"id", id}, {"method", method}, {"params", params}};
        if (!session.empty())
            message["sessionId"] = session;
        if (!connection->Send(message.dump()))
            return {{"error", "cannot send " + method}};
        // Events arrive in between; only the answer with our id counts.
        const auto end = std::chrono::steady_clock::now() + callTimeout;
        while (std::chrono::steady_clock::now() < end)
        {
            const auto text = connection->Receive(callTimeout);
            if (!text)
                break;
            const json answer = json::parse(*text, nullptr, false);
            if (answer.is_object() && answer.value("id", -1L) == id)
                return answer.contains("error") ? json{{"error", answer["error"]}}
                                                : answer.value("result", json::object());
        }
        return {{"error", "no answer to " + method}};
    }

    std::string Browser::OpenTab(const std::string& url, int width, int height)
    {
        const json target = Call("Target.createTarget", {{"url", "about:blank"}, {"newWindow", true}});
        const json attached =
            Call("Target.attachToTarget", {{"targetId", target.value("targetId", "")}, {"flatten", true}});
        const std::string session = attached.value("sessionId", "");
        Call("Emulation.setDeviceMetricsOverride",
             {{"width", width}, {"height", height}, {"deviceScaleFactor", 1}, {"mobile", false}}, session);
        Call("Page.navigate", {{"url", url}}, session);
        return session;
    }

    json Browser::Evaluate(const std::string& session, const std::string& expression)
    {
        const json result = Call(
            "Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}, {"awaitPromise", true}}, session);
        if (result.contains("error") || result.contains("exceptionDetails") || !result.contains("result"))
            return nullptr;
        return result["result"].value("value", json(nullptr));
    }

    bool Browser::WaitFor(const std::string& session, const std::string& expression, std::chrono::milliseconds timeout)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        do
        {
            if (Evaluate(session, "!!(" + expression + ")") == true)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        } while (std::chrono::steady_clock::now() < end);
        return false;
    }

    std::string Browser::Screenshot(const std::string& session)
    {
        return Base64Decode(Call("Page.captureScreenshot", {{"format", "png"}}, session).value("data", ""));
    }
}
