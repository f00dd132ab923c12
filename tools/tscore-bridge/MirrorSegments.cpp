#include "MirrorSegments.h"

#include <algorithm>

#include "BridgeLink.h"
#include "Protocol.h"

namespace TSCoreBridge
{
    namespace
    {
        using TSCoreService::ServiceSegments;

        constexpr char keyPrefix[] = "device";
        constexpr std::size_t keyPrefixLength = sizeof keyPrefix - 1;
        // Every record and text at its largest, twice over for the growth of each string.
        constexpr std::size_t largestTexts =
            65536 + 2 * Protocol::maxDevices * (Protocol::maxRecord + Protocol::maxText);
    }

    MirrorSegments::Claim MirrorSegments::Create(bool takeover, std::string& message)
    {
        const std::size_t size = std::max(largestTexts, ServiceSegments::SizeFor(Protocol::maxDevices));
        const auto claim = segments.Claim({"tscore-bridge mirror", size, takeover});
        message = claim.message;
        switch (claim.outcome)
        {
        case ServiceSegments::Outcome::Claimed:
            return WriteCount(0) ? Claim::Claimed : Claim::Failed;
        case ServiceSegments::Outcome::Busy:
            return Claim::Busy;
        case ServiceSegments::Outcome::Failed:
            break;
        }
        return Claim::Failed;
    }

    bool MirrorSegments::StillOwned(std::string& why) const { return segments.StillOwned(&why); }

    bool MirrorSegments::WriteRecord(std::uint32_t index, const std::string& record)
    {
        return segments.WriteDevices(ServiceSegments::DeviceKey(static_cast<int>(index)), record);
    }

    bool MirrorSegments::WriteText(std::uint32_t index, const std::string& text)
    {
        return segments.WriteData(ServiceSegments::DeviceKey(static_cast<int>(index)), text);
    }

    bool MirrorSegments::WriteCount(std::uint32_t count)
    {
        return segments.WriteDevices(ServiceSegments::deviceCountObject, std::to_string(count));
    }

    bool MirrorSegments::WriteStamp(long long seconds)
    {
        return segments.WriteDevices(ServiceSegments::timeStampObject, std::to_string(seconds));
    }

    bool MirrorSegments::WriteLink(const std::string& text)
    {
        return segments.WriteDevices(TSCoreService::BridgeLink::object, text);
    }

    bool MirrorSegments::RemoveDevice(std::uint32_t index)
    {
        return segments.RemoveDevice(ServiceSegments::DeviceKey(static_cast<int>(index)));
    }

    bool MirrorSegments::ReadCommands(std::vector<std::pair<std::uint32_t, std::string>>& out)
    {
        out.clear();
        std::vector<std::pair<std::string, std::string>> objects;
        if (!segments.ReadHaptics(objects))
            return false;
        for (auto& [key, bytes] : objects)
        {
            std::uint32_t index = 0;
            if (IndexOf(key, index))
                out.emplace_back(index, std::move(bytes));
        }
        return true;
    }

    bool MirrorSegments::IndexOf(const std::string& key, std::uint32_t& index)
    {
        if (key.size() <= keyPrefixLength || key.compare(0, keyPrefixLength, keyPrefix) != 0)
            return false;
        const std::string digits = key.substr(keyPrefixLength);
        if (digits.size() > 1 && digits[0] == '0')
            return false; // "device01" names no device
        std::uint32_t value = 0;
        for (char c : digits)
        {
            if (c < '0' || c > '9')
                return false;
            value = value * 10 + static_cast<std::uint32_t>(c - '0');
            if (value >= Protocol::maxDevices)
                return false;
        }
        index = value;
        return true;
    }
}
