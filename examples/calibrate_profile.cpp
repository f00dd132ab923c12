// Calibrates a hand profile for the wearer of the first connected glove and
// saves it.
// Usage: calibrate_profile [FILE]   (default: profile.txt)

#include <chrono>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Hand/HandProfile.h>
#include <TSCore/Kinematics/Values.h>
#include <TSCore/Util/StrStuff.h>

int main(int argc, char** argv)
{
    using namespace TSCore;
    const std::string path = argc > 1 ? argv[1] : "profile.txt";

    std::shared_ptr<HapticGlove> glove;
    if (!HapticGlove::GetGlove(glove))
    {
        std::cerr << "No glove found. Is the connection service running?\n";
        return 1;
    }

    // The glove gathers the smallest and largest values it sees; the profile is
    // then stretched to exactly that range.
    glove->ResetCalibrationRange();
    std::cout << "Open your hand fully, make a fist, then spread your fingers "
                 "(5 seconds)...\n";
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < end)
    {
        glove->UpdateCalibrationRange();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    // A finger that did not move leaves a range of (almost) no width, which
    // maps all of its motion onto nothing: every pose would hold NaN. Refuse
    // such a calibration instead of saving it. The limits: 10 degrees of
    // linkage flexion, or 200 raw readings of a Kelvo.
    std::vector<Kinematics::Vect3D> low;
    std::vector<Kinematics::Vect3D> high;
    glove->GetCalibrationRange(low, high);
    const bool raw = glove->GetDeviceType() == DeviceType::Kelvo;
    const float minimum = raw ? 200.0f : 10.0f * Kinematics::Values::Deg2Rad;
    std::string still;
    for (std::size_t f = 0; f < low.size() && f < high.size(); ++f)
        if (!(high[f].y - low[f].y >= minimum) ||
            (raw && f == 0 && !(high[f].z - low[f].z >= minimum)))
            still += (still.empty() ? "" : ", ") +
                     Util::StrStuff::ToString(static_cast<Finger>(f));
    if (!still.empty())
    {
        std::cerr << "These fingers did not move enough: " << still
                  << ". Nothing saved; try again.\n";
        return 1;
    }

    HandProfile profile = HandProfile::Default(glove->IsRight());
    glove->UpdateCalibration(profile);

    std::ofstream(path) << profile.Serialize();
    // Reading it back is how an application restores the profile next time.
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    const HandProfile restored = HandProfile::Deserialize(text.str());
    std::cout << "Saved the " << (restored.isRight ? "right" : "left")
              << "-hand profile to " << path
              << (restored.Equals(profile)
                      ? ""
                      : " (but it did not read back equal!)")
              << "\n";
    return 0;
}
