#include "protocol/ProtocolCodes.h"

namespace zun
{

bool IsMessageClassCode (uint8_t code)
{
    switch (code)
    {
    case 0x00:
    case 0x01:
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x10:
    case 0x11:
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
    case 0x44:
    case 0x50:
    case 0x70:
    case 0x7F:
        return true;
    default:
        return false;
    }
}

bool IsDataClassCode (uint8_t code)
{
    return code <= 0x0A || code == 0x70 || code == 0x7D || code == 0x7E || code == 0x7F;
}

const char* GetMessageClassName (uint8_t code)
{
    switch (static_cast<MessageClass> (code))
    {
    case MessageClass::None:
        return "None ";
    case MessageClass::HstSesnVal:
        return "HstSesnVal ";
    case MessageClass::GetParmDef:
        return "GetParmDef ";
    case MessageClass::GetParmVal:
        return "GetParmVal ";
    case MessageClass::GetCmdDef:
        return "GetCmdDef ";
    case MessageClass::SetParmVal:
        return "SetParmVal ";
    case MessageClass::SetCmdVal:
        return "SetCmdVal ";
    case MessageClass::Ack:
        return "Ack ";
    case MessageClass::DevSesnVal:
        return "DevSesnVal ";
    case MessageClass::RetParmDef:
        return "RetParmDef ";
    case MessageClass::RetParmVal:
        return "RetParmVal ";
    case MessageClass::RetCmdDef:
        return "RetCmdDef ";
    case MessageClass::NotParmVal:
        return "NotParmVal, ";
    case MessageClass::BulkTransfer:
        return "BulkTransfer ";
    case MessageClass::Private:
        return "Private ";
    default:
        return "MC? ";
    }
}

const char* GetDataClassName (uint8_t code)
{
    // 0x7E is a valid code without a name, so it falls through to the unknown text.
    switch (static_cast<DataClass> (code))
    {
    case DataClass::None:
        return "None";
    case DataClass::SessionInfo:
        return "SessionInfo";
    case DataClass::DeviceInfo:
        return "DeviceInfo";
    case DataClass::DeviceFeature:
        return "DeviceFeature";
    case DataClass::HardwareInfo:
        return "HardwareInfo";
    case DataClass::MIDIInfo:
        return "MIDIInfo";
    case DataClass::MIDIPortInfo:
        return "MIDIPortInfo";
    case DataClass::MIDIFeature:
        return "MIDIFeature";
    case DataClass::AudioInfo:
        return "AudioInfo";
    case DataClass::AudioPortInfo:
        return "AudioPortInfo";
    case DataClass::AudioChannelInfo:
        return "AudioChannelInfo";
    case DataClass::BulkData:
        return "BulkData";
    case DataClass::SelfTest:
        return "SelfTest";
    case DataClass::FirmwareUpdate:
        return "FirmwareUpdate";
    default:
        return "DC?";
    }
}

const char* GetAckErrorName (uint8_t code)
{
    static const char* const names[] = {
        "None",
        "MalformedMessage",
        "MClassNotSupported",
        "DClassNotSupported",
        "MessageInTooLarge",
        "MessageOutTooLarge",
        "DataBlockLengthInvalid",
        "DataBlockTypeInvalid",
        "ArgIDInvalid",
        "ArgValueInvalid",
        "ParmIDInvalid",
        "ParmValueInvalid",
        "NameInvalid",
        "CmdIDInvalid",
        "CmdValueInvalid",
        "CmdArgInvalid",
        "ArgValBlockMissing",
        "SubIDInvalid",
        "SubIDValueInvalid",
        "CmdFailed"};

    constexpr auto count = sizeof (names) / sizeof (names[0]);
    static_assert (count == 20, "one name per error code 0 to 19");

    return code < count ? names[code] : "???";
}

} // namespace zun
