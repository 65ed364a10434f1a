#include "app/MonitorText.h"

#include "protocol/ProtocolCodes.h"

#include <cmath>

namespace monitor_text
{
namespace
{
    // Frame positions the monitor reads.
    constexpr int frameDumpStart = 5; // the dump starts after the five header bytes
    constexpr int messageClassByte = 22;
    constexpr int dataClassByte = 23;
    constexpr int ackErrorByte = 26; // payload byte 4 of an acknowledgement
    constexpr int ackPayloadLength = 5;

    // The largest time stamp turned into whole milliseconds; far beyond any uptime, it keeps the
    // conversions to integers defined for whatever a time stamp holds.
    constexpr double maxTimeStamp = 1.0e12;

    // A byte of the message, or -1 where the message has no such byte.
    struct Bytes
    {
        const uint8_t* data;
        int size;

        int operator[] (int i) const { return i >= 0 && i < size ? data[i] : -1; }
    };

    juce::String noteName (int note)
    {
        return juce::MidiMessage::getMidiNoteName (note, true, true, 3);
    }

    juce::String controllerName (int controller)
    {
        if (auto* name = juce::MidiMessage::getControllerName (controller))
            return name;

        return "[" + juce::String (controller) + "]";
    }

    juce::String frameName (Bytes d)
    {
        // Only frames that passed the frame check get here, so the length bytes are present.
        const int payloadLength = zun::Frame::PayloadLength (d.data);

        if (payloadLength == 0)
            return "Ping";

        const auto messageClass = (uint8_t) d[messageClassByte];

        if (messageClass == (uint8_t) zun::MessageClass::Ack)
        {
            // A short acknowledgement carries no error code: its byte 26 is a checksum or the end.
            if (payloadLength < ackPayloadLength)
                return "Ack ???";

            return juce::String ("Ack ") + zun::GetAckErrorName ((uint8_t) d[ackErrorByte]);
        }

        return juce::String (zun::GetMessageClassName (messageClass)) + zun::GetDataClassName ((uint8_t) d[dataClassByte]);
    }

    // Ordinary MIDI, by the first row whose bytes are present and whose test holds; everything else
    // (including a channel message cut short) is shown as its dump.
    juce::String describeOrdinary (Bytes d)
    {
        const int status = d[0];
        const int kind = status & 0xf0;
        const int d1 = d[1];
        const int d2 = d[2];
        const bool hasD1 = d1 >= 0;
        const bool hasD2 = d2 >= 0;

        if (kind == 0x90 && hasD1 && hasD2 && d2 != 0)
            return "Note on " + noteName (d1);

        if ((kind == 0x80 && hasD1) || (kind == 0x90 && hasD1 && d2 == 0))
            return "Note off " + noteName (d1);

        if (kind == 0xc0 && hasD1)
            return "Program change " + juce::String (d1);

        if (kind == 0xe0 && hasD1 && hasD2)
            return "Pitch wheel " + juce::String (d1 + 128 * d2);

        if (kind == 0xa0 && hasD1 && hasD2)
            return "After touch " + noteName (d1) + ": " + juce::String (d2);

        if (kind == 0xd0 && hasD1)
            return "Channel pressure " + juce::String (d1);

        if (kind == 0xb0 && d1 == 0x7b)
            return "All notes off";

        if (kind == 0xb0 && d1 == 0x78)
            return "All sound off";

        if (status == 0xff)
            return "Meta event";

        if (kind == 0xb0 && hasD1 && hasD2)
            return "Controller " + controllerName (d1) + ": " + juce::String (d2);

        return hexDump (d.data, d.size);
    }
} // namespace

juce::String formatTime (double seconds)
{
    // Each field comes from the time stamp itself, so a stamp just below a whole second never
    // shows the next second's milliseconds with this second's seconds.
    const double t = std::isfinite (seconds) ? juce::jlimit (0.0, maxTimeStamp, seconds) : 0.0;
    const auto wholeSeconds = (int64_t) std::floor (t);
    const auto wholeMilliseconds = (int64_t) std::floor (t * 1000.0);

    return juce::String::formatted ("%02d:%02d:%02d.%03d",
                                    (int) ((wholeSeconds / 3600) % 24),
                                    (int) ((wholeSeconds / 60) % 60),
                                    (int) (wholeSeconds % 60),
                                    (int) (wholeMilliseconds % 1000));
}

juce::String hexDump (const uint8_t* bytes, int size)
{
    if (bytes == nullptr || size <= 0)
        return {};

    return juce::String::toHexString (bytes, size, 1);
}

juce::String describe (const juce::MidiMessage& message, const zun::DeviceContainer& container)
{
    const Bytes d { message.getRawData(), message.getRawDataSize() };

    // A frame that passes the check has at least 24 bytes and exactly its payload length + 24, so
    // the dump from byte 5 to the checksum stays inside it.
    if (container.IsValidMidiMessage (message))
        return frameName (d) + ": " + hexDump (d.data + frameDumpStart, d.size - frameDumpStart - 1);

    return describeOrdinary (d);
}

juce::String makeLine (int number, double timeStamp, bool sent, const juce::String& description)
{
    return juce::String (number) + " - " + formatTime (timeStamp) + (sent ? " S " : " R ") + description + "\r\n";
}
} // namespace monitor_text
