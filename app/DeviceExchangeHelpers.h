#pragma once

#include "protocol/DeviceContainer.h"

#include <juce_audio_basics/juce_audio_basics.h>

// What discovery and the settings read share: replies are recognised by their payload length and
// a few fixed bytes, and read at fixed frame positions that must lie inside the payload.
namespace exchange
{
// A fixed byte of a reply; `orValue` names a second value that is also accepted.
struct ByteTest
{
    int position;
    uint8_t value;
    uint8_t orValue;
};

constexpr ByteTest is (int position, uint8_t value)
{
    return { position, value, value };
}

constexpr ByteTest isEither (int position, uint8_t a, uint8_t b)
{
    return { position, a, b };
}

// The payload's end (one past its last byte), or -1 when the message does not hold a whole frame
// of the length it states.
inline int payloadEnd (const juce::MidiMessage& message)
{
    const int size = message.getRawDataSize();

    if (size < zun::Frame::overhead)
        return -1;

    const int end = zun::Frame::payloadPos + zun::Frame::PayloadLength (message.getRawData());
    return end + 2 <= size ? end : -1;
}

// True when the payload length is `length` (at least `length` with `lengthIsMinimum`) and every
// byte test from `first` to `last` holds at a position inside the payload.
inline bool passes (const juce::MidiMessage& message, int length, bool lengthIsMinimum, const ByteTest* first, const ByteTest* last)
{
    const int end = payloadEnd (message);

    if (end < 0)
        return false;

    const int payloadLength = end - zun::Frame::payloadPos;

    if (lengthIsMinimum ? payloadLength < length : payloadLength != length)
        return false;

    const auto* frame = message.getRawData();

    for (auto* test = first; test != last; ++test)
        if (test->position >= end || (frame[test->position] != test->value && frame[test->position] != test->orValue))
            return false;

    return true;
}

// Drops the addressed interface (target and session) and empties the settings model and the
// position of the read chain.
inline void forgetInterface (zun::DeviceContainer& container)
{
    auto& builder = container.sysexMessage;
    builder.sessionId = 0;
    builder.serialNumber = 0;
    builder.productId = 0;

    container.block.Empty();
    container.requestCursor = 0;
    container.ccParmId = 0;
}
} // namespace exchange
