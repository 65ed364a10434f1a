#pragma once

// Byte helpers for the protocol tests: hexadecimal byte lists and an independent framing of
// payloads, so expected frames do not come from the builder under test.

#include <cstdint>
#include <juce_audio_basics/juce_audio_basics.h>
#include <sstream>
#include <string>
#include <vector>

namespace protocol_test
{

using Bytes = std::vector<uint8_t>;

// "F0 00 6D" -> { 0xF0, 0x00, 0x6D }
inline Bytes Hex (const std::string& text)
{
    Bytes bytes;
    std::istringstream in (text);
    std::string token;

    while (in >> token)
        bytes.push_back (static_cast<uint8_t> (std::stoul (token, nullptr, 16)));

    return bytes;
}

inline std::string ToHex (const Bytes& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;

    for (auto b : bytes)
    {
        if (!text.empty())
            text += ' ';

        text += digits[b >> 4];
        text += digits[b & 0x0F];
    }

    return text;
}

inline Bytes BytesOf (const juce::MidiMessage& message)
{
    return Bytes (message.getRawData(), message.getRawData() + message.getRawDataSize());
}

inline Bytes PayloadOf (const juce::MidiMessage& message)
{
    const auto bytes = BytesOf (message);
    return bytes.size() < 24 ? Bytes{} : Bytes (bytes.begin() + 22, bytes.end() - 2);
}

inline juce::MidiMessage Message (const Bytes& bytes)
{
    return juce::MidiMessage (bytes.data(), static_cast<int> (bytes.size()));
}

// Rewrites the checksum (the byte before the last) so bytes 5 to n-2 sum to a multiple of 128.
inline void FixChecksum (Bytes& frame)
{
    if (frame.size() < 24)
        return;

    unsigned int sum = 0;

    for (size_t i = 5; i + 2 < frame.size(); ++i)
        sum += frame[i];

    frame[frame.size() - 2] = static_cast<uint8_t> ((128 - (sum & 0x7F)) & 0x7F);
}

struct Address
{
    uint16_t productId = 0;
    uint32_t serialNumber = 0;
    uint32_t sessionId = 0;
    uint32_t transactionId = 0;
};

// A complete frame as an interface would send it.
inline Bytes Frame (const Address& a, const Bytes& payload)
{
    const auto len = static_cast<uint32_t> (payload.size());
    const auto groups = [] (uint32_t value, int count, uint8_t* out)
    {
        for (int i = count - 1; i >= 0; --i, value >>= 7)
            out[i] = static_cast<uint8_t> (value & 0x7F);
    };

    Bytes f (payload.size() + 24, 0);
    f[0] = 0xF0;
    f[1] = 0x00;
    f[2] = 0x6D;
    f[3] = 0x39;
    f[4] = 0x7D;
    groups (a.productId, 2, &f[5]);
    f[7] = static_cast<uint8_t> (a.serialNumber >> 28);
    groups (a.serialNumber, 4, &f[8]);
    groups (a.sessionId, 4, &f[12]);
    groups (a.transactionId, 4, &f[16]);
    groups (len, 2, &f[20]);

    for (size_t i = 0; i < payload.size(); ++i)
        f[22 + i] = payload[i];

    f.back() = 0xF7;
    FixChecksum (f);
    return f;
}

} // namespace protocol_test
