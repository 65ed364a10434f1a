#include "protocol/DeviceDiscoveryItem.h"

#include "protocol/ProtocolCodes.h"
#include "protocol/SysexMessage.h"

namespace zun
{

namespace
{
    // The discovery reply: a 23-byte DevSesnVal/SessionInfo payload, 47 bytes framed.
    constexpr int replyPayloadLength = 23;
    constexpr int replySize = replyPayloadLength + Frame::overhead;

    // Bytes whose values identify a discovery reply, beyond its length and class codes.
    struct FixedByte
    {
        int position;
        uint8_t value;
    };

    constexpr FixedByte replySignature[] = {
        {22, static_cast<uint8_t> (MessageClass::DevSesnVal)},
        {23, static_cast<uint8_t> (DataClass::SessionInfo)},
        {38, 0x01},
        {42, 0x02},
        {44, 0x0F}};
} // namespace

void DeviceDiscoveryItem::AddDevice (const juce::MidiMessage& reply, int inputIndex, int outputIndex)
{
    const uint8_t* bytes = reply.getRawData();

    // Every position read below lies inside a 47-byte reply; anything shorter is not one.
    if (bytes == nullptr || reply.getRawDataSize() < replySize)
        return;

    if (Frame::PayloadLength (bytes) != replyPayloadLength)
        return;

    for (const auto& fixed : replySignature)
        if (bytes[fixed.position] != fixed.value)
            return;

    const auto productId = static_cast<uint16_t> (Frame::ReadGroups (bytes + Frame::productIdPos, 2));
    const auto serialNumber = Frame::ReadGroups (bytes + Frame::serialNumberPos, 5);

    for (const auto* device : devices)
        if (device->productId == productId && device->serialNumber == serialNumber)
            return;

    auto* device = new DiscoveredDevice();
    device->productId = productId;
    device->serialNumber = serialNumber;
    device->displayName = "Product ID: " + juce::String::formatted ("%04X", static_cast<unsigned int> (productId)) + " SN: " + juce::String::formatted ("%08X", static_cast<unsigned int> (serialNumber));
    device->inputIndex = inputIndex;
    device->outputIndex = outputIndex;
    devices.add (device);
}

} // namespace zun
