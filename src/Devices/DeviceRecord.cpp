#include "Devices/DeviceRecord.h"

#include "Devices/GloveFamilies.h"
#include "Diagnostics/Log.h"
#include "Util/FieldReader.h"
#include "Util/Guard.h"

namespace TSCore::detail
{
    namespace
    {
        bool Rejected(const std::string& why)
        {
            TSCORE_LOG(Verbose, "Error while deserializing! " + why);
            return false;
        }
    }

    bool DeserializeDeviceRecord(const std::string& record, std::shared_ptr<TSDevice>& out)
    {
        TSCORE_LOG(Verbose, "Attempting to Deserialize " + record);
        return Util::detail::Guard(
            [&]
            {
                auto fields = Util::detail::FieldReader::Split(record, '@');
                if (fields.Count() < 6)
                    return false;
                const int type = fields.Int(2);
                if (!fields.Ok())
                    return Rejected(fields.Error());
                // The constants come braced; the parser gets what lies between the braces.
                std::string_view constants = fields.View(3);
                if (!constants.empty() && constants[0] == '{')
                    constants = constants.size() > 1 ? constants.substr(1, constants.size() - 2) : std::string_view();
                out = DeviceFromConstants(type, std::string(constants));
                return out != nullptr;
            },
            Rejected);
    }
}
