#include "protocol/SysexMessage.h"

#include <algorithm>
#include <cstring>

namespace zun
{

namespace
{
    constexpr uint8_t header[Frame::headerSize] = {0xF0, 0x00, 0x6D, 0x39, 0x7D};
    constexpr uint8_t sysexEnd = 0xF7;

    // Writes the low 7 * count bits of value as 7-bit groups, most significant group first.
    void WriteGroups (uint8_t* bytes, uint32_t value, int count)
    {
        for (int i = count - 1; i >= 0; --i)
        {
            bytes[i] = static_cast<uint8_t> (value & 0x7F);
            value >>= 7;
        }
    }
} // namespace

namespace Frame
{
    uint32_t ReadGroups (const uint8_t* bytes, int count)
    {
        // Shifting within 32 bits drops whatever does not fit: of the first of five groups only
        // the low four bits survive, as the serial number needs.
        uint32_t value = 0;

        for (int i = 0; i < count; ++i)
            value = (value << 7) | static_cast<uint32_t> (bytes[i] & 0x7F);

        return value;
    }

    int PayloadLength (const uint8_t* frame)
    {
        return static_cast<int> (ReadGroups (frame + payloadLengthPos, 2));
    }

    uint32_t TransactionId (const uint8_t* frame)
    {
        return ReadGroups (frame + transactionIdPos, 4);
    }
} // namespace Frame

SysexMessage::SysexMessage()
{
    std::memset (frameBuffer, 0, sizeof (frameBuffer));
    std::memcpy (frameBuffer, header, sizeof (header));
}

juce::MidiMessage SysexMessage::CreateMessage (unsigned char* data, unsigned short length)
{
    // The callers pass fixed template lengths well inside the buffer; a longer payload is cut to
    // what the buffer holds rather than written past its end.
    const int payloadSize = std::min (static_cast<int> (length), Frame::maxPayloadLength);

    if (payloadSize > 0)
        std::memcpy (frameBuffer + Frame::payloadPos, data, static_cast<size_t> (payloadSize));

    payloadLength = static_cast<uint16_t> (payloadSize);

    frameBuffer[Frame::productIdPos] = static_cast<uint8_t> ((productId >> 7) & 0x7F);
    frameBuffer[Frame::productIdPos + 1] = static_cast<uint8_t> (productId & 0x7F);

    // Serial number: bits 31..28 in the first byte, then four 7-bit groups.
    frameBuffer[Frame::serialNumberPos] = static_cast<uint8_t> (serialNumber >> 28);
    WriteGroups (frameBuffer + Frame::serialNumberPos + 1, serialNumber, 4);

    WriteGroups (frameBuffer + Frame::sessionIdPos, sessionId, 4);
    WriteGroups (frameBuffer + Frame::transactionIdPos, transactionId, 4);
    WriteGroups (frameBuffer + Frame::payloadLengthPos, static_cast<uint32_t> (payloadSize), 2);

    const int checksumPos = Frame::payloadPos + payloadSize;
    uint8_t sum = 0;

    for (int i = Frame::productIdPos; i < checksumPos; ++i)
        sum = static_cast<uint8_t> (sum + frameBuffer[i]);

    frameBuffer[checksumPos] = static_cast<uint8_t> ((0 - sum) & 0x7F);
    frameBuffer[checksumPos + 1] = sysexEnd;

    transactionId = (transactionId + 1) & Frame::idMask;

    return juce::MidiMessage (frameBuffer, checksumPos + 2, 0.0);
}

} // namespace zun
