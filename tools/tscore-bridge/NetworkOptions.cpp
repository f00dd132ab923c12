#include "Commands.h"
#include "OptionChecks.h"
#include "Protocol.h"

namespace TSCoreBridge
{
    namespace
    {
        // A partition name is taken literally: no DDS wildcards, which would join other labs'.
        std::string CheckPartition(std::string& name)
        {
            if (name.empty())
                return "the partition name must not be empty";
            for (char c : name)
                if (c <= ' ' || c > '~' || c == '*' || c == '?' || c == '[' || c == ']' || c == '\\')
                    return "the partition name may hold printable characters other than space, * ? [ ] and \\";
            return std::string();
        }
    }

    void AddNetworkOptions(CLI::App& command, std::uint32_t& domain, std::string& partition)
    {
        command
            .add_option("--domain", domain,
                        "DDS domain id, 0 to " + std::to_string(Protocol::maxDomain) +
                            " (the ids DDS Security can grant); ROS 2 tools see the hand topics with the same "
                            "ROS_DOMAIN_ID.")
            ->type_name("ID")
            ->capture_default_str()
            ->check(ToolCommon::WholeBetween(0, Protocol::maxDomain, ""));
        command
            .add_option("--partition", partition,
                        "DDS partition of the bridge's own topics: publishers and mirrors meet only in the same "
                        "one, so that two labs on one network do not see each other's gloves.")
            ->type_name("NAME")
            ->capture_default_str()
            ->check(CLI::Validator(CheckPartition, ""));
    }
}
