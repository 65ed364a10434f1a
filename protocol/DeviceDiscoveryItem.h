#pragma once

#include <cstdint>
#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_core/juce_core.h>

namespace zun
{

struct DiscoveredDevice
{
    int32_t inputIndex = -1;
    int32_t outputIndex = -1;
    uint16_t productId = 0;
    uint32_t serialNumber = 0;
    juce::String displayName;
};

// The interfaces that answered the last discovery, in the order their first reply was accepted.
class DeviceDiscoveryItem
{
public:
    // Appends an entry for a discovery reply from an interface not yet listed. Replies that are
    // not discovery replies (or too short to be one) and repeats change nothing.
    void AddDevice (const juce::MidiMessage& reply, int inputIndex, int outputIndex);

    int32_t currentIndex = 0;
    juce::OwnedArray<DiscoveredDevice> devices;
};

} // namespace zun
