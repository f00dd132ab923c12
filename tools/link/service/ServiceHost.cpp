#include "ServiceHost.h"

#include <algorithm>

namespace TSCoreLink
{
    ServiceHost::ServiceHost(std::string serviceName) : name(std::move(serviceName)) {}

    ServiceSegments::ClaimResult ServiceHost::Claim(std::size_t devices, std::size_t minimumSize, bool takeover)
    {
        size = std::max(minimumSize, ServiceSegments::SizeFor(devices));
        return segments.Claim({name, size, takeover});
    }

    std::optional<std::string> ServiceHost::LostOwnership()
    {
        std::string why;
        if (segments.StillOwned(&why))
            return std::nullopt;
        segments.Drop();
        return why;
    }

    bool ServiceHost::ChangedCommands(std::vector<std::pair<std::string, std::string>>& out)
    {
        out.clear();
        if (!segments.ReadHaptics(read))
            return false;
        for (auto& [key, command] : read)
        {
            auto [last, added] = seen.try_emplace(key, command);
            if (!added && last->second == command)
                continue;
            last->second = command;
            out.emplace_back(key, std::move(command));
        }
        return true;
    }
}
