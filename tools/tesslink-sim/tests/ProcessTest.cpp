// The simulator as a process: what a library test sees of it from outside.

#include <boost/interprocess/allocators/allocator.hpp>
#include <boost/interprocess/containers/string.hpp>
#include <boost/interprocess/managed_shared_memory.hpp>
#include <boost/interprocess/shared_memory_object.hpp>

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace
{
    namespace bip = boost::interprocess;
    using CharAllocator = bip::allocator<char, bip::managed_shared_memory::segment_manager>;
    using ShmString = bip::basic_string<char, std::char_traits<char>, CharAllocator>;

    void RemoveSegments()
    {
        for (const char* name : {"Devices", "Data", "Haptics"})
            bip::shared_memory_object::remove(name);
    }

    bool SegmentExists(const char* name)
    {
        try
        {
            bip::shared_memory_object object(bip::open_only, name, bip::read_only);
            return true;
        }
        catch (const bip::interprocess_exception&)
        {
            return false;
        }
    }

    // Read the way the library reads: read-only mapping, lookup without lock.
    std::optional<std::string> Read(const char* segment, const std::string& key)
    {
        try
        {
            bip::managed_shared_memory memory(bip::open_read_only, segment);
            const ShmString* text = memory.find_no_lock<ShmString>(key.c_str()).first;
            if (text == nullptr)
                return std::nullopt;
            return std::string(text->c_str());
        }
        catch (const bip::interprocess_exception&)
        {
            return std::nullopt;
        }
    }

    // Write the way the library writes a command.
    void WriteCommand(const std::string& key, const std::string& command)
    {
        bip::managed_shared_memory memory(bip::open_or_create, "Haptics", 4096);
        ShmString* text = memory.find_or_construct<ShmString>(key.c_str())(memory.get_segment_manager());
        text->clear();
        text->assign(command.begin(), command.end());
    }

    class SimProcess
    {
    public:
        explicit SimProcess(std::vector<std::string> args)
        {
            int in[2];
            int out[2];
            if (pipe(in) != 0 || pipe(out) != 0)
                return;
            posix_spawn_file_actions_t actions;
            posix_spawn_file_actions_init(&actions);
            posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
            posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
            posix_spawn_file_actions_addclose(&actions, in[1]);
            posix_spawn_file_actions_addclose(&actions, out[0]);
            args.insert(args.begin(), TESSLINK_SIM_PATH);
            std::vector<char*> argv;
            for (auto& arg : args)
                argv.push_back(arg.data());
            argv.push_back(nullptr);
            if (posix_spawn(&pid, TESSLINK_SIM_PATH, &actions, nullptr, argv.data(), environ) != 0)
                pid = -1;
            posix_spawn_file_actions_destroy(&actions);
            close(in[0]);
            close(out[1]);
            toChild = in[1];
            fromChild = out[0];
        }

        ~SimProcess()
        {
            if (pid > 0 && !exited)
            {
                kill(pid, SIGKILL);
                waitpid(pid, nullptr, 0);
            }
            CloseInput();
            if (fromChild >= 0)
                close(fromChild);
            RemoveSegments();
        }

        // Next stdout line, or nullopt after the timeout.
        std::optional<std::string> Line(std::chrono::milliseconds timeout = std::chrono::milliseconds(3000))
        {
            const auto deadline = std::chrono::steady_clock::now() + timeout;
            while (true)
            {
                const std::size_t newline = buffer.find('\n');
                if (newline != std::string::npos)
                {
                    std::string line = buffer.substr(0, newline);
                    buffer.erase(0, newline + 1);
                    return line;
                }
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now());
                if (left.count() <= 0)
                    return std::nullopt;
                pollfd fd{fromChild, POLLIN, 0};
                if (poll(&fd, 1, static_cast<int>(left.count())) <= 0)
                    continue;
                char chunk[512];
                const ssize_t n = read(fromChild, chunk, sizeof chunk);
                if (n <= 0)
                    return std::nullopt;
                buffer.append(chunk, static_cast<std::size_t>(n));
            }
        }

        std::optional<std::string> Command(const std::string& line)
        {
            const std::string text = line + "\n";
            if (write(toChild, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
                return std::nullopt;
            return Line();
        }

        void CloseInput()
        {
            if (toChild >= 0)
                close(toChild);
            toChild = -1;
        }

        void Signal(int number) { kill(pid, number); }

        bool Running()
        {
            return !exited && waitpid(pid, &status, WNOHANG) == 0;
        }

        // Exit status, or -1 when it did not end within the timeout.
        int Wait(std::chrono::milliseconds timeout = std::chrono::milliseconds(3000))
        {
            const auto deadline = std::chrono::steady_clock::now() + timeout;
            while (std::chrono::steady_clock::now() < deadline)
            {
                if (waitpid(pid, &status, WNOHANG) == pid)
                {
                    exited = true;
                    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                }
                usleep(10000);
            }
            return -1;
        }

    private:
        pid_t pid = -1;
        int toChild = -1;
        int fromChild = -1;
        int status = 0;
        bool exited = false;
        std::string buffer;
    };

    class SimProcessTest : public ::testing::Test
    {
    protected:
        void SetUp() override { RemoveSegments(); }
        void TearDown() override { RemoveSegments(); }
    };
}

TEST_F(SimProcessTest, PublishesDevicesInCommandLineOrderAndCleansUpOnSigterm)
{
    SimProcess sim({"--kelvo", "left", "--beta", "b:h:v1.0", "--tessara", "right", "--record", "1@7@9@{x}@a@1"});
    ASSERT_EQ(sim.Line(), "ready");
    EXPECT_EQ(Read("Devices", "nDevices"), "4");
    EXPECT_EQ(Read("Devices", "device0").value_or("").substr(0, 8), "1@0@2@{C");
    EXPECT_EQ(Read("Devices", "device1"), "1@0@-1@{b:h:v1.0}@sim:1@2");
    EXPECT_EQ(Read("Devices", "device2").value_or("").substr(0, 29), "1@0@0@{C:QX7.2-R0008:QX7.2:v4");
    EXPECT_EQ(Read("Devices", "device3"), "1@7@9@{x}@a@1");
    EXPECT_EQ(Read("Data", "device3"), "");
    EXPECT_EQ(Read("Data", "device1").value_or("").substr(0, 5), "beta ");
    const long long stamp = std::stoll(Read("Devices", "scanActive").value_or("0"));
    EXPECT_LE(std::llabs(stamp - static_cast<long long>(std::time(nullptr))), 1);

    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Wait(), 0);
    EXPECT_FALSE(SegmentExists("Devices"));
    EXPECT_FALSE(SegmentExists("Data"));
    EXPECT_FALSE(SegmentExists("Haptics"));
}

TEST_F(SimProcessTest, PacketRateIsMeasured)
{
    SimProcess sim({"--beta", "b", "--rate", "50"});
    ASSERT_EQ(sim.Line(), "ready");
    usleep(2200000);
    const std::string record = Read("Devices", "device0").value_or("");
    const int pps = std::stoi(record.substr(2));
    EXPECT_GE(pps, 40);
    EXPECT_LE(pps, 52);
}

TEST_F(SimProcessTest, ReportsCommandsWrittenIntoHaptics)
{
    SimProcess sim({"--tessara", "left:5.0", "--kelvo", "right"});
    ASSERT_EQ(sim.Line(), "ready");
    WriteCommand("device0", std::string("{Z") + std::string(10, '\x01') + "}");
    EXPECT_EQ(sim.Line(), "haptics device0 tessara ffb=0,0,0,0,0 buzz=0,0,0,0,0 thumper=none raw=7b5a010101010101010101017d");
    WriteCommand("device1", "{Z\x0b\x15\x1f\x29\x06\x3d\x47}");
    EXPECT_EQ(sim.Line(), "haptics device1 kelvo ffb=10,20,30,40 buzz=60,70 thumper=5 raw=7b5a0b151f29063d477d");
    // Rewriting the same command is not a change.
    WriteCommand("device1", "{Z\x0b\x15\x1f\x29\x06\x3d\x47}");
    WriteCommand("device5", "zz");
    EXPECT_EQ(sim.Line(), "haptics device5 beta raw=7a7a");
}

TEST_F(SimProcessTest, ControlChannelChangesWhatIsPublished)
{
    SimProcess sim({"--tessara", "right"});
    ASSERT_EQ(sim.Line(), "ready");
    EXPECT_EQ(sim.Command("disconnect 0"), "ok");
    EXPECT_EQ(Read("Devices", "device0").value_or("?").substr(0, 1), "0");
    EXPECT_EQ(sim.Command("connect 0"), "ok");
    EXPECT_EQ(Read("Devices", "device0").value_or("?").substr(0, 1), "1");
    EXPECT_EQ(sim.Command("record 1 1@60@-1@{n:h:v1.0}@x@2"), "ok");
    EXPECT_EQ(Read("Devices", "nDevices"), "2");
    EXPECT_EQ(Read("Data", "device1"), "");
    EXPECT_EQ(sim.Command("data 0 fixed text"), "ok");
    usleep(100000);
    EXPECT_EQ(Read("Data", "device0"), "fixed text");
    EXPECT_EQ(sim.Command("ndevices 7"), "ok");
    EXPECT_EQ(Read("Devices", "nDevices"), "7");
    EXPECT_EQ(sim.Command("stale"), "ok");
    EXPECT_EQ(std::stoll(Read("Devices", "scanActive").value_or("0")), static_cast<long long>(std::time(nullptr)) - 100);
    EXPECT_EQ(sim.Command("scan 30"), "ok");
    EXPECT_NEAR(static_cast<double>(std::stoll(Read("Devices", "scanActive").value_or("0"))),
                static_cast<double>(std::time(nullptr) + 30), 1.0);
    EXPECT_EQ(sim.Command("data 9 x"), "error: no device 9");
    EXPECT_EQ(sim.Command("jump"), "error: unknown command 'jump'");
    EXPECT_EQ(sim.Command("quit"), "ok");
    EXPECT_EQ(sim.Wait(), 0);
    EXPECT_FALSE(SegmentExists("Devices"));
}

TEST_F(SimProcessTest, EndOfInputDoesNotStopIt)
{
    SimProcess sim({"--beta", "b"});
    ASSERT_EQ(sim.Line(), "ready");
    sim.CloseInput();
    usleep(200000);
    EXPECT_TRUE(sim.Running());
    sim.Signal(SIGINT);
    EXPECT_EQ(sim.Wait(), 0);
    EXPECT_FALSE(SegmentExists("Data"));
}

TEST_F(SimProcessTest, CrashLeavesSegmentsAndTimedRunCleansUp)
{
    {
        SimProcess sim({"--beta", "b", "--crash-after", "0.2"});
        ASSERT_EQ(sim.Line(), "ready");
        EXPECT_EQ(sim.Wait(), 3);
        EXPECT_TRUE(SegmentExists("Devices"));
        EXPECT_TRUE(SegmentExists("Haptics"));
    }
    // A new run replaces leftovers and removes them at the end.
    SimProcess sim({"--beta", "b", "--seconds", "0.3"});
    ASSERT_EQ(sim.Line(), "ready");
    EXPECT_EQ(sim.Wait(), 0);
    EXPECT_FALSE(SegmentExists("Devices"));
}

TEST_F(SimProcessTest, FaultOptions)
{
    SimProcess sim({"--beta", "b", "--n-devices", "5", "--scan-offset", "-20", "--disconnect-after", "0.2"});
    ASSERT_EQ(sim.Line(), "ready");
    EXPECT_EQ(Read("Devices", "nDevices"), "5");
    EXPECT_NEAR(static_cast<double>(std::stoll(Read("Devices", "scanActive").value_or("0"))),
                static_cast<double>(std::time(nullptr) - 20), 1.0);
    EXPECT_EQ(Read("Devices", "device0").value_or("?").substr(0, 1), "1");
    usleep(400000);
    EXPECT_EQ(Read("Devices", "device0").value_or("?").substr(0, 1), "0");
}

TEST_F(SimProcessTest, BadArgumentsExitWithStatusTwo)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--tessara", "middle"}, std::vector<std::string>{"--replay", "/nonexistent"},
          std::vector<std::string>{"--motion", "dance"}})
    {
        SimProcess sim(args);
        EXPECT_EQ(sim.Wait(), 2);
        EXPECT_FALSE(SegmentExists("Devices"));
    }
}
