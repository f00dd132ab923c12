#include "Devices/DeviceRecord.h"

#include <exception>
#include <vector>

#include "TSCore/Devices/BetaDevice.h"
#include "TSCore/Diagnostics/Debugger.h"
#include "TSCore/Kelvo/Kelvo.h"
#include "TSCore/TS/Tessara.h"
#include "TSCore/Util/StrStuff.h"
#include "Util/ExceptionText.h"
#include "Util/FieldAt.h"

namespace TSCore::detail
{
    using Diagnostics::DebugLevel;
    using Diagnostics::Debugger;
    using Util::StrStuff;
    using Util::detail::FieldAt;

    bool DeserializeDeviceRecord(const std::string& record, std::shared_ptr<TSDevice>& out)
    {
        if (Debugger::Enabled(DebugLevel::Verbose))
            Debugger::Log("Attempting to Deserialize " + record, DebugLevel::Verbose);
        try
        {
            const std::vector<std::string> fields = StrStuff::Split(record, '@');
            if (fields.size() < 6)
                return false;
            const int type = StrStuff::ToInt(FieldAt(fields, 2), 0);
            std::string constants = FieldAt(fields, 3);
            if (!constants.empty() && constants[0] == '{')
                constants = constants.size() > 1 ? constants.substr(1, constants.size() - 2) : std::string();

            // The one place a device kind plugs in: the record's type names its parser.
            switch (static_cast<DeviceType>(type))
            {
            case DeviceType::BetaDevice:
                out = BetaDevice::Parse(constants);
                break;
            case DeviceType::Tessara:
                out = TS::Tessara::Parse(constants);
                break;
            case DeviceType::Kelvo:
                out = Kelvo::Kelvo::Parse(constants);
                break;
            default:
                break;
            }
            return out != nullptr;
        }
        catch (const std::exception& e)
        {
            if (Debugger::Enabled(DebugLevel::Verbose))
                Debugger::Log("Error while deserializing! " + Util::detail::ExceptionText(e), DebugLevel::Verbose);
            return false;
        }
    }
}
