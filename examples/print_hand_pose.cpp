// Finds the first connected glove and prints the wearer's hand pose.
// Start the connection service first (or, without a glove:
// `tesslink-sim --tessara right`).

#include <chrono>
#include <iostream>
#include <memory>
#include <thread>
#include <vector>

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/HandProfile.h>

int main()
{
    using namespace TSCore;

    std::shared_ptr<HapticGlove> glove;
    if (!HapticGlove::GetGlove(glove))
    {
        std::cerr << "No glove found. Is the connection service running?\n";
        return 1;
    }
    std::cout << "Found " << glove->ToString() << ", "
              << (glove->IsRight() ? "right" : "left") << " hand\n";

    // An uncalibrated profile of the glove's side; see calibrate_profile.cpp
    // for a real one.
    HandProfile profile = HandProfile::Default(glove->IsRight());
    HandPose pose;
    // Right after connecting, a complete reading can take a moment to arrive.
    bool complete = glove->GetHandPose(profile, pose);
    for (int attempt = 0; attempt < 20 && !complete; ++attempt)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        complete = glove->GetHandPose(profile, pose);
    }
    if (!complete)
        std::cout << "(no complete reading: this is the idle hand)\n";

    std::cout << pose.ToString(true) << "\n";
    const char* names[] = {"Thumb", "Index", "Middle", "Ring", "Pinky"};
    std::vector<float> flexion = pose.GetNormalizedFlexion(true);
    for (int f = 0; f < 5; ++f)
        std::cout << names[f] << " is " << static_cast<int>(flexion[f] * 100.0f)
                  << "% flexed\n";
    return 0;
}
