#pragma once

#include <cstdint>
#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_core/juce_core.h>

namespace zun
{

// Frame layout: positions counted from the F0 byte.
namespace Frame
{
    constexpr int headerSize = 5;           // F0 00 6D 39 7D
    constexpr int productIdPos = 5;         // 2 bytes, 14 bits
    constexpr int serialNumberPos = 7;      // 5 bytes, 32 bits
    constexpr int sessionIdPos = 12;        // 4 bytes, 28 bits
    constexpr int transactionIdPos = 16;    // 4 bytes, 28 bits
    constexpr int payloadLengthPos = 20;    // 2 bytes, 14 bits
    constexpr int payloadPos = 22;
    constexpr int overhead = 24;            // frame size = payload length + 24
    constexpr int bufferSize = 512;
    constexpr int maxPayloadLength = bufferSize - overhead;
    constexpr uint32_t idMask = 0x0FFFFFFF; // session and transaction IDs are 28 bits

    // Reads `count` 7-bit groups, most significant first (each byte masked with 0x7F).
    uint32_t ReadGroups (const uint8_t* bytes, int count);

    // The payload length in bytes 20-21 of a frame of at least 22 bytes.
    int PayloadLength (const uint8_t* frame);

    // The transaction ID in bytes 16-19 of a frame of at least 20 bytes.
    uint32_t TransactionId (const uint8_t* frame);
} // namespace Frame

// The frame builder: turns a payload into a complete System Exclusive frame addressed to the
// target interface, in the current session, with the next transaction ID.
class SysexMessage
{
public:
    SysexMessage();

    // Frames `length` payload bytes (1 to 488) and advances the transaction counter. The returned
    // message has time stamp 0. A longer payload is cut to 488 bytes, the most the buffer holds.
    juce::MidiMessage CreateMessage (unsigned char* data, unsigned short length);

    juce::Random random;
    uint8_t frameBuffer[Frame::bufferSize];
    uint32_t sessionId = 0;
    uint32_t transactionId = 0;
    uint32_t serialNumber = 0;
    uint16_t productId = 0;
    uint16_t payloadLength = 0;
};

} // namespace zun
