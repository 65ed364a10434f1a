#pragma once

#include "app/MidiPortInput.h"
#include "app/MidiPortOutput.h"

#include <juce_audio_devices/juce_audio_devices.h>
#include <memory>

// One MIDI port of the computer, in MainComponent's list of inputs or of outputs.
struct MidiDeviceListEntry : public juce::ReferenceCountedObject
{
    explicit MidiDeviceListEntry (juce::MidiDeviceInfo info) : deviceInfo (std::move (info)) {}

    ~MidiDeviceListEntry() override
    {
        outputDevice.reset();
        inputDevice.reset();
    }

    // The transaction ID of the discovery request last sent on this output.
    int32_t discoveryTransactionId = 0;
    juce::MidiDeviceInfo deviceInfo;
    std::unique_ptr<MidiPortInput> inputDevice;
    std::unique_ptr<MidiPortOutput> outputDevice;

    using Ptr = juce::ReferenceCountedObjectPtr<MidiDeviceListEntry>;

    JUCE_LEAK_DETECTOR (MidiDeviceListEntry)
};
