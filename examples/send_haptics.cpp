// Blocks the index and middle finger with force feedback for two seconds, with
// a short vibration pulse on the index finger at the start, then switches
// everything off.

#include <chrono>
#include <iostream>
#include <memory>
#include <thread>

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Haptics/TS_BuzzCmd.h>
#include <TSCore/Haptics/TS_FFBCmd.h>

int main()
{
    using namespace TSCore;
    using namespace TSCore::Haptics;

    std::shared_ptr<HapticGlove> glove;
    if (!HapticGlove::GetGlove(glove))
    {
        std::cerr << "No glove found. Is the connection service running?\n";
        return 1;
    }

    // Levels are percent, thumb first. A single-kind send keeps the other kinds
    // as they were last sent, so the force feedback stays on while the
    // vibration changes.
    glove->SendHaptics(TS_FFBCmd(0, 80, 80, 0, 0));
    glove->SendHaptics(TS_BuzzCmd(Finger::Index, 100));
    std::cout << "Force feedback " << glove->lastFFB.ToString()
              << " and vibration " << glove->lastBuzz.ToString() << " on "
              << glove->ToString() << "\n";
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    glove->SendHaptics(TS_BuzzCmd::off);
    std::this_thread::sleep_for(std::chrono::milliseconds(1800));

    glove->StopHaptics();
    std::cout << "Stopped\n";
    return 0;
}
