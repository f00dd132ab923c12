#include "ServiceSegments.h"

#include <TSCore/Devices/DeviceList.h>

#include "Protocol.h"
#include "Segments.h"

namespace TSCoreBridge
{
    namespace
    {
        constexpr char keyPrefix[] = "device";
        constexpr std::size_t keyPrefixLength = sizeof keyPrefix - 1;
        // Every record and text at its largest, twice over for the growth of each string.
        constexpr std::size_t segmentSize =
            65536 + 2 * Protocol::maxDevices * (Protocol::maxRecord + Protocol::maxText);
    }

    ServiceSegments::ServiceSegments() : segments(std::make_unique<TessLinkSim::Segments>()) {}

    ServiceSegments::~ServiceSegments()
    {
        if (created)
            TessLinkSim::Segments::RemoveAll();
    }

    bool ServiceSegments::Create(bool takeover, std::string& error)
    {
        // A fresh time stamp is the contract's own sign of a live service.
        if (!takeover && TSCore::DeviceList::TessLinkRunning())
        {
            error = "another connection service runs on this machine (its \"scanActive\" is fresh); stop it, or "
                    "start the mirror with --takeover";
            return false;
        }
        try
        {
            segments->Create(segmentSize);
        }
        catch (const std::exception& e)
        {
            error = e.what();
            return false;
        }
        created = true;
        return WriteCount(0);
    }

    bool ServiceSegments::WriteRecord(std::uint32_t index, const std::string& record)
    {
        return segments->WriteDevices(Key(index), record);
    }

    bool ServiceSegments::WriteText(std::uint32_t index, const std::string& text)
    {
        return segments->WriteData(Key(index), text);
    }

    bool ServiceSegments::WriteCount(std::uint32_t count)
    {
        return segments->WriteDevices("nDevices", std::to_string(count));
    }

    bool ServiceSegments::WriteStamp(long long seconds)
    {
        return segments->WriteDevices("scanActive", std::to_string(seconds));
    }

    bool ServiceSegments::ReadCommands(std::vector<std::pair<std::uint32_t, std::string>>& out)
    {
        out.clear();
        std::vector<std::pair<std::string, std::string>> objects;
        if (!TessLinkSim::Segments::ReadHaptics(objects))
            return false;
        for (auto& [key, bytes] : objects)
        {
            std::uint32_t index = 0;
            if (IndexOf(key, index))
                out.emplace_back(index, std::move(bytes));
        }
        return true;
    }

    std::string ServiceSegments::Key(std::uint32_t index)
    {
        return keyPrefix + std::to_string(index);
    }

    bool ServiceSegments::IndexOf(const std::string& key, std::uint32_t& index)
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
