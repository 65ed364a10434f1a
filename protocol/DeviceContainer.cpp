#include "protocol/DeviceContainer.h"

#include "protocol/ProtocolCodes.h"
#include "protocol/RequestTemplates.h"

namespace zun
{

bool DeviceContainer::IsValidMidiMessage (const juce::MidiMessage& message) const
{
    const int n = message.getRawDataSize();
    const uint8_t* bytes = message.getRawData();

    // 1. Room for the framing of an empty payload.
    if (n < Frame::overhead || bytes == nullptr)
        return false;

    // 2. The fixed header.
    for (int i = 0; i < Frame::headerSize; ++i)
        if (bytes[i] != sysexMessage.frameBuffer[i])
            return false;

    // 3. The session, when one is set.
    if (sysexMessage.sessionId != 0 && Frame::ReadGroups (bytes + Frame::sessionIdPos, 4) != sysexMessage.sessionId)
        return false;

    // 4. The payload length: a one-byte payload cannot hold both class bytes, and the length must
    //    account for every byte of the message.
    const int payloadSize = Frame::PayloadLength (bytes);

    if (payloadSize == 1 || payloadSize != n - Frame::overhead)
        return false;

    // 5. The end byte.
    if (bytes[n - 1] != 0xF7)
        return false;

    // 6. Everything after the header, the checksum included, sums to a multiple of 128.
    unsigned int sum = 0;

    for (int i = Frame::productIdPos; i <= n - 2; ++i)
        sum += bytes[i];

    if ((sum & 0x7F) != 0)
        return false;

    // 7. A frame without payload has no class bytes.
    if (payloadSize == 0)
        return true;

    // 8, 9. The class codes.
    return IsMessageClassCode (bytes[Frame::payloadPos]) && IsDataClassCode (bytes[Frame::payloadPos + 1]);
}

juce::MidiMessage DeviceContainer::CreateGetSettingsCCProcessorInfo()
{
    // A cursor past the last record has no port to name: the port argument is then 0, a number
    // no port has, so whatever answers it is refused by the port-number bounds of the read chain.
    const uint8_t port = requestCursor < CCProcessorBlock::maxPorts ? block.ports[requestCursor].number
                                                                    : uint8_t{0};

    SXMessage_GetSettingsCCProcessorInfo[PatchPoint::CCProcessorInfoPort] = port;

    for (auto position : PatchPoint::CCProcessorInfoParm)
        SXMessage_GetSettingsCCProcessorInfo[position] = ccParmId;

    ++requestCursor;

    return sysexMessage.CreateMessage (SXMessage_GetSettingsCCProcessorInfo,
                                       TemplateLength::GetSettingsCCProcessorInfo);
}

} // namespace zun
