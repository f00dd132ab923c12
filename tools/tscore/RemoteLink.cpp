#include "RemoteLink.h"

#include <ctime>
#include <string>

#include "ExitCodes.h"
#include "ServiceTexts.h"

namespace TSCoreCli
{
    using TSCoreLink::BridgeLink;

    namespace
    {
        int NoPublisher(const BridgeLink& link)
        {
            return Fail(
                exitNoService,
                std::string("mirror running, no publisher heard") +
                    (link.publisher == BridgeLink::Publisher::Lost ? " since the one it followed fell silent" : "") +
                    ": it waits on " + link.Where() +
                    ". Start `tscore-bridge publish` on the glove PC with the same --domain and --partition" +
                    (link.security ? " and an identity from the same DDS Security authority"
                                   : " (and without DDS Security, as here)"));
        }

        int ServiceThere(const ServiceStatus& service)
        {
            // From ten seconds on, a service counts as stopped.
            const bool stale = service.condition == ServiceCondition::Stale;
            return Fail(exitNoService,
                        "the connection service on the glove PC " +
                            (stale ? "is not updating its time stamp (" + std::to_string(*service.stampAge) + " s old)"
                                   : std::string("is not running")) +
                            ", as the publisher there reports: start or restart it on the glove PC");
        }
    }

    int CheckRemoteLink(RemoteUse use, const ServiceStatus& service)
    {
        BridgeLink link;
        if (!TSCoreLink::ReadBridgeLink(link))
            return exitOk;
        const long long age = static_cast<long long>(std::time(nullptr)) - link.time;
        if (age >= BridgeLink::staleSeconds)
            return Fail(exitNoService, "the tscore-bridge mirror that serves this machine stopped (its last word is " +
                                           std::to_string(age) +
                                           " s old): start it again with `tscore-bridge mirror &`");
        if (link.publisher != BridgeLink::Publisher::Heard)
            return NoPublisher(link);
        if (service.condition != ServiceCondition::Running)
            return ServiceThere(service);
        const std::string dropped = "the glove PC's tscore-bridge publish drops the haptic commands given here: it "
                                    "runs without --accept-haptics";
        if (link.haptics == BridgeLink::Haptics::Dropped && use == RemoteUse::List)
            Warn(dropped);
        else if (link.haptics == BridgeLink::Haptics::Dropped)
            return Fail(exitNotSent, dropped + ", so nothing would reach the glove. Restart it there with "
                                               "--accept-haptics");
        else if (link.haptics == BridgeLink::Haptics::Unknown && use == RemoteUse::Haptics)
            Warn("the glove PC's tscore-bridge publish does not say whether it takes haptic commands (an earlier "
                 "version): they reach the glove only when it runs with --accept-haptics");
        return exitOk;
    }
}
