#include "ServiceTexts.h"

#include <string>

#include <TSCore/Devices/ServiceReader.h>

namespace TSCoreLink
{
    bool ReadBridgeLink(BridgeLink& out)
    {
        std::string text;
        return TSCore::ServiceReader::ReadServiceText(BridgeLink::object, text) && BridgeLink::Parse(text, out);
    }

    HeldCommand ReadHeldCommand(std::string_view deviceKey, TSCore::DeviceType type, bool thumperByte,
                                CommandLevels& out, std::size_t* size)
    {
        std::string text;
        if (!TSCore::ServiceReader::ReadCommandText(deviceKey, text))
            return HeldCommand::None;
        if (size != nullptr)
            *size = text.size();
        return DecodeGloveCommand(text, type == TSCore::DeviceType::Kelvo, thumperByte, out) ? HeldCommand::Held
                                                                                             : HeldCommand::OtherForm;
    }
}
