// tscore view as a user meets it: a real tscore process serving a real tesslink-sim's gloves,
// looked at through a real headless Chromium, and spoken to as a page (or a hostile client)
// would over its WebSocket.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "SimProcess.h"
#include "WebSocketClient.h"

#if defined(TSCORE_CLI_PATH)

#  ifdef TSCORE_BROWSER_TESTS
#    include "Browser.h"
#  endif

using nlohmann::json;
using TSCoreTest::ChildProcess;
using TSCoreTest::SimProcess;
using TSCoreTest::WebSocketClient;

namespace
{
    class View : public testing::Test
    {
    protected:
        void SetUp() override { TSCoreTest::RemoveSegments(); }
        void TearDown() override
        {
            view.Stop();
            sim.Stop();
            TSCoreTest::RemoveSegments();
        }

        /// Starts `tscore view --port 0 args...`; the port it serves on, 0 when it did not start.
        unsigned short StartView(std::vector<std::string> args, ChildProcess& process)
        {
            args.insert(args.begin(), {"view", "--port", "0"});
            if (!process.Start(TSCORE_CLI_PATH, args))
                return 0;
            const auto line = process.WaitForPrefix("Serving the view on http://127.0.0.1:");
            std::smatch port;
            return line && std::regex_search(*line, port, std::regex(R"(:([0-9]+)/)"))
                       ? static_cast<unsigned short>(std::stoi(port[1].str()))
                       : 0;
        }

        /// The next message of the given type, skipping frames and the like.
        static json Next(WebSocketClient& client, const std::string& type)
        {
            for (int i = 0; i < 500; ++i)
            {
                const auto text = client.Receive();
                if (!text)
                    return nullptr;
                json message = json::parse(*text, nullptr, false);
                if (message.is_object() && message.value("type", "") == type)
                    return message;
            }
            return nullptr;
        }

        /// The first frame within timeout whose gloves satisfy done; null when none did.
        template <typename Done>
        static json FrameWhere(WebSocketClient& client, Done done, std::chrono::milliseconds timeout)
        {
            const auto until = std::chrono::steady_clock::now() + timeout;
            for (auto now = std::chrono::steady_clock::now(); now < until; now = std::chrono::steady_clock::now())
            {
                const auto text = client.Receive(std::chrono::duration_cast<std::chrono::milliseconds>(until - now));
                if (!text)
                    break;
                json message = json::parse(*text, nullptr, false);
                if (message.is_object() && message.value("type", "") == "frame" && done(message["gloves"]))
                    return message;
            }
            return nullptr;
        }

        SimProcess sim;
        ChildProcess view;
    };

    /// An HTTP/1.1 GET of target with extra header lines; the whole response, empty when the
    /// connection failed.
    std::string HttpGet(const std::string& host, unsigned short port, const std::string& target,
                        const std::string& headers = "")
    {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        inet_pton(AF_INET, host.c_str(), &address.sin_addr);
        const timeval timeout{5, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        std::string out;
        if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        {
            const std::string request = "GET " + target + " HTTP/1.1\r\nHost: " + host + ":" + std::to_string(port) +
                                        "\r\n" + headers + "Connection: close\r\n\r\n";
            if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size()))
            {
                char chunk[65536];
                for (ssize_t n; (n = recv(fd, chunk, sizeof chunk, 0)) > 0;)
                    out.append(chunk, static_cast<std::size_t>(n));
            }
        }
        close(fd);
        return out;
    }

    /// A second network namespace, joined to this one by a veth pair: a machine next door. Its
    /// address here is `here`, the other end's `there`.
    class NextDoor
    {
    public:
        static constexpr const char* here = "10.213.0.1";
        NextDoor() : name("tscore-view-" + std::to_string(getpid())) {}
        NextDoor(const NextDoor&) = delete;
        NextDoor& operator=(const NextDoor&) = delete;
        ~NextDoor()
        {
            if (made)
                Shell("ip netns del " + name + " && ip link del tsv-here");
        }

        /// False, and why, where this machine cannot make one (no ip, unshare or privileges).
        bool Make(std::string& why)
        {
            if (Shell("command -v ip && command -v unshare") != 0)
                return why = "ip or unshare is missing", false;
            made = Shell("ip netns add " + name) == 0;
            if (!made)
                return why = "`ip netns add` is refused (not root?)", false;
            const std::string in = "ip netns exec " + name + " ";
            if (Shell("ip link add tsv-here type veth peer name tsv-there && ip link set tsv-there netns " + name +
                      " && ip addr add " + here + "/24 dev tsv-here && ip link set tsv-here up && " + in +
                      "ip addr add 10.213.0.2/24 dev tsv-there && " + in + "ip link set tsv-there up && " + in +
                      "ip link set lo up") != 0)
                return why = "the veth pair cannot be set up", false;
            return true;
        }

        /// Runs f on a thread of its own inside the other namespace.
        template <typename F>
        void Run(F f)
        {
            std::thread(
                [&]
                {
                    const int fd = open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
                    ASSERT_GE(fd, 0);
                    ASSERT_EQ(setns(fd, CLONE_NEWNET), 0);
                    close(fd);
                    f();
                })
                .join();
        }

    private:
        static int Shell(const std::string& command)
        {
            return std::system(("{ " + command + "; } >/dev/null 2>&1").c_str());
        }
        std::string name;
        bool made = false;
    };

#  ifdef TSCORE_BROWSER_TESTS
    /// The finger whose colour (as the page and `tscore render` draw it) a pixel has, or -1:
    /// by hue, so that shading may darken or lighten it.
    int FingerOfPixel(const std::uint8_t* p)
    {
        const double r = p[0] / 255.0, g = p[1] / 255.0, b = p[2] / 255.0;
        const double high = std::max({r, g, b}), low = std::min({r, g, b});
        if (high < 0.15 || high - low < 0.3 * high)
            return -1; // grey, white or black
        double hue = high == r   ? std::fmod((g - b) / (high - low), 6.0)
                     : high == g ? (b - r) / (high - low) + 2.0
                                 : (r - g) / (high - low) + 4.0;
        hue = std::fmod(hue * 60.0 + 360.0, 360.0);
        // Thumb #d62728, index #ff7f0e, middle #2ca02c, ring #1f77b4, pinky #9467bd.
        const double hues[] = {358.0, 28.0, 120.0, 205.0, 271.0};
        for (int f = 0; f < 5; ++f)
        {
            const double d = std::fabs(hue - hues[f]);
            if (std::min(d, 360.0 - d) < 14.0)
                return f;
        }
        return -1;
    }

    /// Every finger of the glove shows its colour at the joints the page says it drew.
    void ExpectHandDrawn(TSCoreTest::Browser& browser, const std::string& tab, const std::string& key)
    {
        browser.Call("Page.bringToFront", json::object(), tab);
        const json joints = browser.Evaluate(tab, "tsView.jointsOnScreen('" + key + "')");
        const TSCoreTest::Image shot = TSCoreTest::DecodePng(browser.Screenshot(tab));
        ASSERT_GT(shot.width, 0u);
        ASSERT_TRUE(joints.is_array() && joints.size() >= 15) << joints;
        int seen[5] = {}, matched[5] = {};
        for (const json& joint : joints)
        {
            const int finger = joint.value("finger", -1);
            const double x = joint.value("x", -1.0), y = joint.value("y", -1.0);
            ASSERT_TRUE(finger >= 0 && finger < 5 && x >= 0 && y >= 0 && x < shot.width && y < shot.height) << joint;
            ++seen[finger];
            bool found = false;
            for (int dy = -4; dy <= 4 && !found; ++dy)
                for (int dx = -4; dx <= 4 && !found; ++dx)
                {
                    const long px = std::lround(x) + dx, py = std::lround(y) + dy;
                    found = px >= 0 && py >= 0 && px < long(shot.width) && py < long(shot.height) &&
                            FingerOfPixel(shot.At(unsigned(px), unsigned(py))) == finger;
                }
            matched[finger] += found;
        }
        // A joint may hide behind another finger (in a fist, the tips behind the knuckles).
        for (int f = 0; f < 5; ++f)
            EXPECT_GE(matched[f], 1) << key << " finger " << f << ": none of its " << seen[f] << " joints drawn";
        EXPECT_GE(matched[0] + matched[1] + matched[2] + matched[3] + matched[4], int(joints.size()) / 2) << key;
    }

    std::string FlexionOf(const std::string& key)
    {
        return "[...document.querySelectorAll('.glove[data-key=" + key +
               "] .flexion')].map(e => parseFloat(e.textContent))";
    }

    /// Process CPU seconds (user and system) of a running process, from /proc.
    double CpuSeconds(pid_t pid)
    {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::vector<std::string> f((std::istream_iterator<std::string>(fields)), std::istream_iterator<std::string>());
        return f.size() > 12 ? (std::stod(f[11]) + std::stod(f[12])) / static_cast<double>(sysconf(_SC_CLK_TCK)) : 0.0;
    }

    // Not a check, a measurement (run with --gtest_also_run_disabled_tests): the frame rate
    // that three open pages draw with two gloves, and the CPU the server takes meanwhile.
    TEST_F(View, DISABLED_MeasureFrameRateAndServerCpu)
    {
        TSCoreTest::Browser browser;
        std::string why;
        if (!browser.Start(why))
            GTEST_SKIP() << why;
        ASSERT_TRUE(sim.Launch({"--tessara", "right", "--kelvo", "left", "--motion", "wave"}));
        const unsigned short port = StartView({}, view);
        ASSERT_NE(port, 0);
        std::vector<std::string> tabs;
        const char* renderer = std::getenv("VIEW_RENDERER"); // "2d" for Canvas 2D
        for (int i = 0; i < 3; ++i)
            tabs.push_back(browser.OpenTab("http://127.0.0.1:" + std::to_string(port) +
                                           "/?renderer=" + (renderer != nullptr ? renderer : "")));
        for (const auto& tab : tabs)
            ASSERT_TRUE(browser.WaitFor(tab, "document.querySelectorAll('.glove-state[data-state=live]').length == 2"));
        const double seconds = 10.0;
        std::vector<json> before;
        for (const auto& tab : tabs)
            before.push_back(browser.Evaluate(tab, "[tsView.received(), tsView.draws(), performance.now()]"));
        const double cpu0 = CpuSeconds(view.Pid());
        const auto t0 = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        const double cpu = CpuSeconds(view.Pid()) - cpu0;
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        for (std::size_t i = 0; i < tabs.size(); ++i)
        {
            const json after = browser.Evaluate(tabs[i], "[tsView.received(), tsView.draws(), performance.now()]");
            const double ms = after[2].get<double>() - before[i][2].get<double>();
            std::cout << "tab " << i << ": " << (after[0].get<double>() - before[i][0].get<double>()) * 1000.0 / ms
                      << " frames/s received, " << (after[1].get<double>() - before[i][1].get<double>()) * 1000.0 / ms
                      << " drawn/s (" << browser.Evaluate(tabs[i], "tsView.renderer()") << ")\n";
        }
        std::cout << "server CPU: " << 100.0 * cpu / wall << " % of one core over " << wall << " s\n";
    }

    TEST_F(View, PageFollowsTheGlovesAndTheServiceInARealBrowser)
    {
        TSCoreTest::Browser browser;
        std::string why;
        if (!browser.Start(why))
            GTEST_SKIP() << "headless Chromium cannot run here, so the page is not tested: " << why;
        const std::vector<std::string> gloves = {"--tessara", "right", "--kelvo", "left", "--motion", "open"};
        ASSERT_TRUE(sim.Launch(gloves));
        const unsigned short port = StartView({}, view);
        ASSERT_NE(port, 0) << view.ErrorText();
        const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/";
        const std::string live = "document.querySelectorAll('.glove-state[data-state=live]').length == 2";

        const std::string tab = browser.OpenTab(url);
        ASSERT_TRUE(browser.WaitFor(tab, live)) << browser.Evaluate(tab, "document.body.innerText");
        const json loadId = browser.Evaluate(tab, "tsView.loadId");
        const json open = browser.Evaluate(tab, FlexionOf("device0") + ".concat(" + FlexionOf("device1") + ")");
        ASSERT_EQ(open.size(), 10u) << open;
        for (const json& v : open)
            EXPECT_LT(v.get<double>(), 0.3) << open;
        ExpectHandDrawn(browser, tab, "device0");
        ExpectHandDrawn(browser, tab, "device1");
        EXPECT_NE(browser.Evaluate(tab, "document.querySelector('.haptics').innerText")
                      .get<std::string>()
                      .find("--allow-haptics"),
                  std::string::npos);

        ASSERT_TRUE(sim.Control("flex 0 1,1,1,1,1"));
        ASSERT_TRUE(sim.Control("flex 1 1,1,1,1,1"));
        EXPECT_TRUE(browser.WaitFor(tab, FlexionOf("device0") + ".slice(1).every(v => v > 0.6) && " +
                                             FlexionOf("device1") + ".slice(1).every(v => v > 0.6)"))
            << browser.Evaluate(tab, FlexionOf("device0") + ".concat(" + FlexionOf("device1") + ")");
        ExpectHandDrawn(browser, tab, "device0");
        ExpectHandDrawn(browser, tab, "device1");

        // The page draws with WebGL on a GPU and with Canvas 2D without one (as here, most
        // likely); each of the two draws the hands in their colours.
        const std::string other = browser.Evaluate(tab, "tsView.renderer()") == "WebGL" ? "2d" : "webgl";
        const std::string second = browser.OpenTab(url + "?renderer=" + other);
        ASSERT_TRUE(browser.WaitFor(second, live));
        ExpectHandDrawn(browser, second, "device1");

        // The service goes away and comes back; the page follows without a reload.
        sim.Stop();
        TSCoreTest::RemoveSegments();
        const std::string stopped = "document.getElementById('service').dataset.state == 'stopped' && "
                                    "document.querySelectorAll('.glove-state[data-state=live]').length == 0";
        EXPECT_TRUE(browser.WaitFor(tab, stopped)) << browser.Evaluate(tab, "document.body.innerText");
        // The page that saw the hands keeps them, labelled; one opened now has none to draw and
        // says so.
        const std::string notLive = "tsView.labels().filter(t => t.startsWith('not live'))";
        EXPECT_TRUE(browser.WaitFor(tab, notLive + ".length == 2"));
        EXPECT_EQ(browser.Evaluate(tab, notLive),
                  json::array({"not live: last reading shown", "not live: last reading shown"}));
        const std::string late = browser.OpenTab(url);
        EXPECT_TRUE(browser.WaitFor(late, stopped + " && " + notLive + ".length == 2"))
            << browser.Evaluate(late, "document.body.innerText");
        EXPECT_EQ(browser.Evaluate(late, notLive),
                  json::array({"not live: no reading to show", "not live: no reading to show"}));
        // Back with other gloves: the page shows those, and the fingers their commands hold.
        SimProcess restarted;
        ASSERT_TRUE(restarted.Launch({"--kelvo", "right", "--motion", "open"}));
        const std::string one = "document.querySelectorAll('.glove').length == 1 && "
                                "document.querySelectorAll('.glove-state[data-state=live]').length == 1";
        EXPECT_TRUE(browser.WaitFor(tab, one)) << browser.Evaluate(tab, "document.body.innerText");
        EXPECT_EQ(browser.Evaluate(tab, "tsView.loadId"), loadId);
        EXPECT_NE(browser.Evaluate(tab, "document.querySelector('.glove .name').textContent")
                      .get<std::string>()
                      .find("Kelvo KV1-R0001"),
                  std::string::npos);
        EXPECT_EQ(TSCoreTest::Run(TSCORE_CLI_PATH, {"haptics", "--device", "0", "--ffb", "0,60,0,0"}).exitCode, 0);
        EXPECT_TRUE(browser.WaitFor(tab, "tsView.held('device0')[1] && tsView.labels().includes('held')"))
            << browser.Evaluate(tab, "tsView.held('device0')");
        EXPECT_EQ(browser.Evaluate(tab, "tsView.held('device0')"), json::array({false, true, false, false, false}));
        EXPECT_EQ(browser.Evaluate(tab, "tsView.labels().filter(t => t == 'held').length"), 1);
        EXPECT_EQ(browser.Evaluate(tab, "[...document.querySelectorAll('.fingers tr')].map(r => "
                                        "r.querySelector('.held').textContent)"),
                  json::array({"", "held 60", "", "", ""}));
        restarted.Stop();
    }

#    ifdef TSCORE_RETARGET_DATA
    /// The robot hand beside a glove shows its links where the page says it drew them: each
    /// digit's tip link in the digit's colour, the others in the robot's slate.
    void ExpectRobotDrawn(TSCoreTest::Browser& browser, const std::string& tab, const std::string& key)
    {
        const json links = browser.Evaluate(tab, "tsView.robotOnScreen('" + key + "')");
        const TSCoreTest::Image shot = TSCoreTest::DecodePng(browser.Screenshot(tab));
        ASSERT_TRUE(links.is_array() && links.size() >= 16) << links;
        const auto slate = [](const std::uint8_t* p)
        { return std::abs(p[0] - 0x4a) < 40 && std::abs(p[1] - 0x5a) < 40 && std::abs(p[2] - 0x6e) < 40; };
        int tips = 0, tipsDrawn = 0, others = 0, othersDrawn = 0;
        for (const json& link : links)
        {
            const int digit = link.value("digit", -1);
            const long x = std::lround(link.value("x", -1.0)), y = std::lround(link.value("y", -1.0));
            bool found = false;
            for (int dy = -4; dy <= 4 && !found; ++dy)
                for (int dx = -4; dx <= 4 && !found; ++dx)
                {
                    const long px = x + dx, py = y + dy;
                    if (px < 0 || py < 0 || px >= long(shot.width) || py >= long(shot.height))
                        continue;
                    const std::uint8_t* p = shot.At(unsigned(px), unsigned(py));
                    found = digit >= 0 ? FingerOfPixel(p) == digit : slate(p);
                }
            (digit >= 0 ? tips : others) += 1;
            (digit >= 0 ? tipsDrawn : othersDrawn) += found;
        }
        EXPECT_EQ(tips, 5) << links;
        EXPECT_GE(tipsDrawn, 4) << "the robot's fingertips in their digits' colours";
        EXPECT_GE(othersDrawn, others / 2) << "the robot's links in slate";
    }

    TEST_F(View, DrawsTheRobotHandBesideTheGloveAndSaysWhenItHolds)
    {
        TSCoreTest::Browser browser;
        std::string why;
        if (!browser.Start(why))
            GTEST_SKIP() << "headless Chromium cannot run here, so the robot hand is not tested: " << why;
        ASSERT_TRUE(sim.Launch({"--tessara", "right", "--motion", "open"}));
        ASSERT_TRUE(sim.Control("flex 0 0.3,0.2,0.5,0.7,0.9"));
        const unsigned short port =
            StartView({"--retarget", "right=" TSCORE_RETARGET_DATA "/five_digit_hand.yaml"}, view);
        ASSERT_NE(port, 0) << view.ErrorText();
        const std::string tab = browser.OpenTab("http://127.0.0.1:" + std::to_string(port) + "/");
        const std::string robotLine = "document.querySelector('.glove .robot').textContent";
        ASSERT_TRUE(browser.WaitFor(tab, "tsView.robotState('device0') == 'following' && "
                                         "document.querySelector('.glove-state').dataset.state == 'live'"))
            << browser.Evaluate(tab, "document.body.innerText");
        EXPECT_NE(browser.Evaluate(tab, robotLine).get<std::string>().find("five_digit_hand: following the glove"),
                  std::string::npos);
        std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the solution settles
        ExpectHandDrawn(browser, tab, "device0");
        ExpectRobotDrawn(browser, tab, "device0");
        if (const char* path = std::getenv("TSCORE_VIEW_SCREENSHOT"))
            std::ofstream(path, std::ios::binary) << browser.Screenshot(tab);

        // A glove that is not live: the robot holds its last solution, faded, and says why.
        ASSERT_TRUE(sim.Control("disconnect 0"));
        EXPECT_TRUE(browser.WaitFor(tab, "tsView.robotState('device0') == 'holding' && "
                                         "tsView.labels().includes('robot holding: last solution shown')"))
            << browser.Evaluate(tab, "tsView.labels()");
        EXPECT_NE(browser.Evaluate(tab, robotLine).get<std::string>().find("the glove is disconnected"),
                  std::string::npos)
            << browser.Evaluate(tab, robotLine);
        EXPECT_GE(browser.Evaluate(tab, "tsView.robotOnScreen('device0').length").get<int>(), 16);
    }
#    endif
#  endif

    TEST_F(View, RefusesHapticsWithoutTheFlagAndForeignPages)
    {
        ASSERT_TRUE(sim.Launch({"--tessara", "right"}));
        const unsigned short port = StartView({}, view);
        ASSERT_NE(port, 0) << view.ErrorText();

        WebSocketClient page;
        std::string why;
        ASSERT_TRUE(page.Connect("127.0.0.1", port, "/ws", why, "http://127.0.0.1:" + std::to_string(port))) << why;
        EXPECT_EQ(Next(page, "hello").value("allowHaptics", true), false);
        ASSERT_TRUE(page.Send(R"({"type":"levels","key":"device0","ffb":[0,50,0,0,0]})"));
        const json reply = Next(page, "reply");
        EXPECT_EQ(reply.value("refused", false), true) << reply;
        EXPECT_NE(reply.value("message", "").find("--allow-haptics"), std::string::npos);

        // Another web site open in the same browser must not reach the gloves.
        WebSocketClient foreign;
        EXPECT_FALSE(foreign.Connect("127.0.0.1", port, "/ws", why, "http://evil.example"));

        // A second view on a port that is taken says what to do, with its own exit code.
        ChildProcess second;
        ASSERT_TRUE(second.Start(TSCORE_CLI_PATH, {"view", "--port", std::to_string(port)}));
        EXPECT_EQ(second.Wait(), 10);
        EXPECT_NE(second.ErrorText().find("--port 0"), std::string::npos) << second.ErrorText();

#  ifdef TSCORE_RETARGET_DATA
        // A robot hand's configuration that cannot be used: the bridge's message and exit code, nothing served.
        const auto refusal = [](const std::string& err, const std::string& tool)
        { return err.substr(tool.size() + 2, err.find("; nothing was") - tool.size() - 2); };
        ChildProcess robot;
        ASSERT_TRUE(robot.Start(TSCORE_CLI_PATH, {"view", "--port", "0", "--retarget", "right=/nonexistent.yaml"}));
        EXPECT_EQ(robot.Wait(), 5) << "the bridge's code for the same file";
        EXPECT_NE(robot.ErrorText().find("/nonexistent.yaml"), std::string::npos) << robot.ErrorText();
        EXPECT_NE(robot.ErrorText().find("; nothing was served"), std::string::npos) << robot.ErrorText();
#    ifdef TSCORE_BRIDGE_PATH
        const auto bridge = TSCoreTest::Run(TSCORE_BRIDGE_PATH, {"publish", "--retarget", "right=/nonexistent.yaml"});
        EXPECT_EQ(refusal(robot.ErrorText(), "tscore"), refusal(bridge.err, "tscore-bridge")) << bridge.err;
#    endif
        ChildProcess side;
        ASSERT_TRUE(side.Start(TSCORE_CLI_PATH, {"view", "--port", "0", "--retarget", "up=/nonexistent.yaml"}));
        EXPECT_EQ(side.Wait(), 2);
        EXPECT_NE(side.ErrorText().find("--retarget takes right=CONFIG or left=CONFIG"), std::string::npos);
#  endif

        // A glove that is not there is refused, as the other commands refuse it.
        ChildProcess nine;
        ASSERT_TRUE(nine.Start(TSCORE_CLI_PATH, {"view", "--port", "0", "--device", "9"}));
        EXPECT_EQ(nine.Wait(), 4);
        EXPECT_NE(nine.ErrorText().find("no glove with index 9"), std::string::npos) << nine.ErrorText();
    }

    TEST_F(View, AnswersBadMessagesDrivesTheGloveAndStopsItOnExit)
    {
        ASSERT_TRUE(sim.Launch({"--tessara", "right", "--kelvo", "left"}));
        const unsigned short port = StartView({"--allow-haptics"}, view);
        ASSERT_NE(port, 0) << view.ErrorText();
        WebSocketClient page;
        std::string why;
        ASSERT_TRUE(page.Connect("127.0.0.1", port, "/ws", why)) << why;

        // Every kind of malformed message is checked in the unit tests; here, that the server
        // answers them and those that need a glove it shows.
        const char* const bad[] = {
            "not json",
            R"({"type":"levels","key":"device0","ffb":[0,0,0,0,101]})",
            R"({"type":"levels","key":"device9","ffb":[0,0,0,0,0]})",
            R"({"type":"pulse","key":"device1","finger":3,"level":50,"ms":100})",
            R"({"type":"stop","key":"device9"})",
        };
        for (const char* message : bad)
        {
            ASSERT_TRUE(page.Send(message));
            const json reply = Next(page, "reply");
            EXPECT_EQ(reply.value("ok", true), false) << message << " -> " << reply;
        }
        // A message over the size limit ends that page's connection, not the server.
        ASSERT_TRUE(page.Send(std::string(10000, 'x')));
        EXPECT_TRUE(Next(page, "reply").is_null());
        EXPECT_TRUE(page.Closed());

        WebSocketClient again;
        ASSERT_TRUE(again.Connect("127.0.0.1", port, "/ws", why)) << why;
        ASSERT_TRUE(again.Send(R"({"type":"levels","key":"device0","ffb":[0,50,0,0,0],"buzz":[0,0,70,0,0]})"));
        EXPECT_EQ(Next(again, "reply").value("ok", false), true);
        EXPECT_TRUE(sim.WaitForPrefix("haptics device0 tessara ffb=0,50,0,0,0 buzz=0,0,70,0,0"));
        // The frames say which fingers the glove's command holds: there, the index finger.
        const json held = FrameWhere(
            again, [](const json& gloves) { return gloves.size() == 2 && gloves[0]["held"][1] == true; },
            std::chrono::seconds(2));
        ASSERT_TRUE(held.is_object());
        EXPECT_EQ(held["gloves"][0]["held"], json::array({false, true, false, false, false}));
        EXPECT_EQ(held["gloves"][0]["forceFeedback"], json::array({0, 50, 0, 0, 0}));
        EXPECT_EQ(held["gloves"][1]["forceFeedback"], json::array({0, 0, 0, 0, nullptr})) << "a Kelvo: no pinky";

        // Killed and started again with other gloves: followed within a second, and the new
        // glove under the same key is never given the old one's levels.
        sim.Stop(SIGKILL);
        SimProcess other;
        ASSERT_TRUE(other.Launch({"--kelvo", "right"}));
        const auto restarted = std::chrono::steady_clock::now();
        const json followed = FrameWhere(
            again,
            [](const json& gloves)
            { return gloves.size() == 1 && gloves[0]["kind"] == "Kelvo" && gloves[0]["state"] == "live"; },
            std::chrono::seconds(3));
        ASSERT_TRUE(followed.is_object());
        EXPECT_LT(std::chrono::steady_clock::now() - restarted, std::chrono::seconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(1300)); // past the view's resend
        const json later = FrameWhere(
            again, [](const json& gloves) { return gloves.size() == 1; }, std::chrono::seconds(2));
        EXPECT_EQ(later["gloves"][0]["held"], json::array({false, false, false, false, false})) << later;
        EXPECT_FALSE(other.WaitForPrefix("haptics device0", std::chrono::milliseconds(100)));
        ASSERT_TRUE(again.Send(R"({"type":"levels","key":"device0","ffb":[0,30,0,0,0]})"));
        EXPECT_EQ(Next(again, "reply").value("ok", false), true);
        EXPECT_TRUE(other.WaitForPrefix("haptics device0 kelvo ffb=0,30,0,0 "));
        // Stopped with haptics on, the view switches off what it drove.
        EXPECT_EQ(view.Stop(SIGTERM), 143);
        EXPECT_TRUE(other.WaitForPrefix("haptics device0 kelvo ffb=0,0,0,0 buzz=0,0"));
    }

    TEST_F(View, AStalledPageCostsTheOthersNothingAndIsDropped)
    {
        ASSERT_TRUE(sim.Launch({"--tessara", "right", "--kelvo", "left", "--motion", "wave", "--period", "1"}));
        const unsigned short port = StartView({}, view);
        ASSERT_NE(port, 0) << view.ErrorText();
        std::string why;
        WebSocketClient stalled;
        ASSERT_TRUE(stalled.Connect("127.0.0.1", port, "/ws", why, "", 4096)) << why;
        WebSocketClient reader;
        ASSERT_TRUE(reader.Connect("127.0.0.1", port, "/ws", why)) << why;

        // The simulator publishes 60 readings a second; each changes the pose.
        using Clock = std::chrono::steady_clock;
        std::vector<int> perSecond(8, 0);
        const auto start = Clock::now();
        for (auto now = start; now - start < std::chrono::seconds(8); now = Clock::now())
        {
            const auto text = reader.Receive(std::chrono::seconds(2));
            ASSERT_TRUE(text) << "the reading page got no frame for 2 s";
            if (text->find("\"type\":\"frame\"") != std::string::npos)
                ++perSecond[static_cast<std::size_t>(
                                std::chrono::duration_cast<std::chrono::seconds>(now - start).count()) %
                            8];
        }
        EXPECT_GE(*std::min_element(perSecond.begin(), perSecond.end()), 30);

        // The stalled page was dropped: what it can still read ends in a closed connection.
        for (int i = 0; i < 10000 && stalled.Receive(std::chrono::seconds(5)); ++i)
        {
        }
        EXPECT_TRUE(stalled.Closed());
    }

    TEST_F(View, OffLoopbackThePageItsFilesAndTheSocketNeedTheToken)
    {
        NextDoor other;
        std::string why;
        if (!other.Make(why))
            GTEST_SKIP() << "no second network namespace here, so the view off loopback is not tested: " << why;
        ASSERT_TRUE(sim.Launch({"--tessara", "right"}));
        ASSERT_TRUE(view.Start(TSCORE_CLI_PATH, {"view", "--port", "0", "--bind", NextDoor::here, "--allow-haptics"}));
        const auto line = view.WaitForPrefix("  http://" + std::string(NextDoor::here) + ":");
        std::smatch url;
        ASSERT_TRUE(line && std::regex_search(*line, url, std::regex(R"(:([0-9]+)/\?token=([A-Za-z0-9_-]+)$)")))
            << (line ? *line : "no URL printed");
        const auto port = static_cast<unsigned short>(std::stoi(url[1].str()));
        const std::string token = url[2].str(), host = NextDoor::here;
        EXPECT_EQ(token.size(), 43u) << "256 bits, URL-safe";
        const std::string cookie = "tscore-view-token-" + std::to_string(port);

        other.Run(
            [&]
            {
                for (const std::string& target :
                     std::vector<std::string>{"/", "/view.js", "/?token=" + token.substr(1), "/?token="})
                {
                    const std::string r = HttpGet(host, port, target);
                    EXPECT_EQ(r.rfind("HTTP/1.1 403", 0), 0u) << target << ": " << r;
                    EXPECT_NE(r.find("open the URL that tscore view printed"), std::string::npos) << r;
                }
                EXPECT_EQ(HttpGet(host, port, "/render.js", "Cookie: " + cookie + "=" + token + "x\r\n")
                              .rfind("HTTP/1.1 403", 0),
                          0u);
                WebSocketClient refused;
                std::string why;
                EXPECT_FALSE(refused.Connect(host, port, "/ws", why, "http://" + host + ":" + std::to_string(port)));

                // With the token the page is served and leaves its cookie, which opens the rest.
                const std::string page = HttpGet(host, port, "/?token=" + token);
                EXPECT_EQ(page.rfind("HTTP/1.1 200", 0), 0u) << page.substr(0, 300);
                EXPECT_NE(page.find("Set-Cookie: " + cookie + "=" + token + "; Path=/; HttpOnly; SameSite=Strict"),
                          std::string::npos);
                EXPECT_EQ(HttpGet(host, port, "/render.js", "Cookie: a=b; " + cookie + "=" + token + "\r\n")
                              .rfind("HTTP/1.1 200", 0),
                          0u);
                WebSocketClient page2;
                ASSERT_TRUE(
                    page2.Connect(host, port, "/ws?token=" + token, why, "http://" + host + ":" + std::to_string(port)))
                    << why;
                EXPECT_EQ(Next(page2, "hello").value("allowHaptics", false), true);
                ASSERT_TRUE(page2.Send(R"({"type":"levels","key":"device0","ffb":[0,40,0,0,0]})"));
                EXPECT_EQ(Next(page2, "reply").value("ok", false), true);
                // Seen while the page is open: once it closes, the view switches the glove off.
                EXPECT_TRUE(sim.WaitForPrefix("haptics device0 tessara ffb=0,40,0,0,0"));
            });

#  ifdef TSCORE_BROWSER_TESTS
        // A real browser with the printed URL: the page, its files and its socket all arrive.
        TSCoreTest::Browser browser;
        if (browser.Start(why))
        {
            const std::string tab = browser.OpenTab("http://" + host + ":" + std::to_string(port) + "/?token=" + token);
            EXPECT_TRUE(browser.WaitFor(tab, "document.querySelectorAll('.glove-state[data-state=live]').length == 1"))
                << browser.Evaluate(tab, "document.body.innerText");
        }
#  endif
    }
}

#endif
