#include "HapticRequest.h"

#include <nlohmann/json.hpp>

namespace TSCoreCli
{
    using json = nlohmann::json;

    namespace
    {
        /// A whole number from low to high in field name of message; false when absent or not one.
        bool WholeField(const json& message, const char* name, int low, int high, int& out)
        {
            const auto it = message.find(name);
            if (it == message.end() || !it->is_number_integer())
                return false;
            const auto value = it->get<long long>();
            if (value < low || value > high)
                return false;
            out = static_cast<int>(value);
            return true;
        }

        /// Five whole numbers 0-100 in field name, when present; false when not five such numbers.
        bool LevelList(const json& message, const char* name, std::optional<HapticRequest::Levels>& out)
        {
            const auto it = message.find(name);
            if (it == message.end())
                return true;
            HapticRequest::Levels levels{};
            if (!it->is_array() || it->size() != levels.size())
                return false;
            for (std::size_t i = 0; i < levels.size(); ++i)
            {
                const json& level = (*it)[i];
                if (!level.is_number_integer() || level.get<long long>() < 0 ||
                    level.get<long long>() > HapticRequest::maxLevel)
                    return false;
                levels[i] = static_cast<int>(level.get<long long>());
            }
            out = levels;
            return true;
        }

        /// The "key" field: a glove's key as text of bounded length; required unless optional.
        bool Key(const json& message, bool optional, std::string& out)
        {
            const auto it = message.find("key");
            if (it == message.end())
                return optional;
            if (!it->is_string() || it->get_ref<const std::string&>().empty() ||
                it->get_ref<const std::string&>().size() > HapticRequest::maxKeyLength)
                return false;
            out = it->get<std::string>();
            return true;
        }

        std::string FieldError(const HapticRequest& r, const json& message)
        {
            const bool stop = r.type == HapticRequest::Type::Stop;
            HapticRequest checked = r;
            if (!Key(message, stop, checked.key))
                return stop ? "a stop names its glove as \"key\": \"device0\", or leaves \"key\" out for every glove"
                            : "the message names no glove (\"key\": \"device0\")";
            if (r.type == HapticRequest::Type::Levels)
                return "levels are \"ffb\" and/or \"buzz\": five whole numbers from 0 to 100, thumb first";
            return "a pulse has \"finger\" 0-4 (thumb first), \"level\" 1-100 and \"ms\" " +
                   std::to_string(HapticRequest::minPulseMs) + "-" + std::to_string(HapticRequest::maxPulseMs);
        }

        bool Fields(const json& message, HapticRequest& r)
        {
            switch (r.type)
            {
            case HapticRequest::Type::Stop:
                return Key(message, true, r.key);
            case HapticRequest::Type::Levels:
                return Key(message, false, r.key) && LevelList(message, "ffb", r.ffb) &&
                       LevelList(message, "buzz", r.buzz) && (r.ffb || r.buzz);
            case HapticRequest::Type::Pulse:
                return Key(message, false, r.key) && WholeField(message, "finger", 0, 4, r.finger) &&
                       WholeField(message, "level", 1, HapticRequest::maxLevel, r.level) &&
                       WholeField(message, "ms", HapticRequest::minPulseMs, HapticRequest::maxPulseMs, r.ms);
            }
            return false;
        }
    }

    HapticRequestRead ReadHapticRequest(std::string_view text)
    {
        HapticRequestRead out;
        const json message = json::parse(text.begin(), text.end(), nullptr, false);
        const auto type = message.is_object() ? message.find("type") : message.end();
        if (message.is_discarded() || !message.is_object() || type == message.end() || !type->is_string())
        {
            out.error = "not understood: a message is a JSON object with a \"type\"";
            return out;
        }
        HapticRequest r;
        const std::string& name = type->get_ref<const std::string&>();
        if (name == "levels")
            r.type = HapticRequest::Type::Levels;
        else if (name == "pulse")
            r.type = HapticRequest::Type::Pulse;
        else if (name != "stop")
        {
            out.error = "unknown message type (levels, pulse and stop are known)";
            return out;
        }
        out.typeKnown = true;
        if (Fields(message, r))
            out.request = std::move(r);
        else
            out.error = FieldError(r, message);
        return out;
    }
}
