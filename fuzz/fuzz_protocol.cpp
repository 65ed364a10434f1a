// Feeds arbitrary bytes to everything of the protocol library that reads received messages: the
// frame check (without and with a session), the discovery list and the name-item reader. Built
// with ASan/UBSan, so any read outside the message is a finding.

#include "protocol/DeviceContainer.h"
#include "protocol/DeviceDiscoveryItem.h"
#include "protocol/NameItem.h"
#include "protocol/ProtocolCodes.h"
#include "protocol/SysexMessage.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

namespace
{
struct Targets
{
    Targets()
    {
        inSession.sysexMessage.sessionId = 0x00ABCDEF;
    }

    zun::DeviceContainer noSession;
    zun::DeviceContainer inSession;
    zun::DeviceDiscoveryItem discovered;
};

Targets& GetTargets()
{
    static auto* targets = new Targets();
    return *targets;
}

void CheckName (const uint8_t* bytes, int position, int limit)
{
    juce::String name ("unchanged");

    if (!zun::ReadNameItem (bytes, position, limit, name))
    {
        if (name != "unchanged")
            std::abort(); // a refused item must leave the name alone
        return;
    }

    if (!juce::CharPointer_UTF8::isValidString (name.toRawUTF8(), std::numeric_limits<int>::max()))
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    if (size == 0 || size > 4096)
        return 0;

    auto& t = GetTargets();

    // A copy of exactly the input's size, so that any read past its end is caught.
    const std::vector<uint8_t> bytes (data, data + size);
    const juce::MidiMessage message (bytes.data(), static_cast<int> (bytes.size()));

    const bool validWithoutSession = t.noSession.IsValidMidiMessage (message);
    const bool validInSession = t.inSession.IsValidMidiMessage (message);

    // A session can only narrow what the check accepts.
    if (validInSession && !validWithoutSession)
        std::abort();

    // The session of the input itself, when it has one.
    if (size >= 16)
    {
        t.inSession.sysexMessage.sessionId = zun::Frame::ReadGroups (bytes.data() + zun::Frame::sessionIdPos, 4);

        if (t.inSession.IsValidMidiMessage (message) != validWithoutSession)
            std::abort();

        t.inSession.sysexMessage.sessionId = 0x00ABCDEF;
    }

    t.discovered.AddDevice (message, 0, 1);

    if (t.discovered.devices.size() > 64)
        t.discovered.devices.clear();

    // Name items at positions and limits taken from the input, always within [0, size].
    const int n = static_cast<int> (size);
    CheckName (bytes.data(), bytes[0] % (n + 1), n);
    CheckName (bytes.data(), 0, bytes[n - 1] % (n + 1));
    CheckName (bytes.data(), bytes[0] % (n + 1), bytes[n / 2] % (n + 1));

    for (int position = 0; position < std::min (n, 64); ++position)
        CheckName (bytes.data(), position, n);

    // Framing the input as a payload gives a frame the check accepts whenever the payload is a
    // valid one: 7-bit bytes, at least two of them, known class codes.
    const int payloadSize = std::min (n, zun::Frame::maxPayloadLength);
    std::vector<unsigned char> payload (bytes.begin(), bytes.begin() + payloadSize);
    const auto frame = t.noSession.sysexMessage.CreateMessage (payload.data(), static_cast<unsigned short> (payloadSize));

    const bool sevenBit = std::all_of (payload.begin(), payload.end(), [] (unsigned char b)
                                       { return b < 0x80; });

    if (sevenBit && payloadSize >= 2 && zun::IsMessageClassCode (payload[0]) && zun::IsDataClassCode (payload[1]) && !t.noSession.IsValidMidiMessage (frame))
        std::abort();

    return 0;
}
