#pragma once

#include "app/MidiPortInput.h"
#include "app/MidiPortInputCallback.h"
#include "app/MidiPortOutput.h"

#include <juce_audio_devices/juce_audio_devices.h>
#include <memory>

// The MIDI layer between MainComponent and the ports: lists the inputs and outputs present, opens
// them by identifier. A port that cannot be opened gives an empty pointer.
class MidiService
{
public:
    virtual ~MidiService() = default;

    virtual juce::Array<juce::MidiDeviceInfo> getAvailableInputs() = 0;
    virtual juce::Array<juce::MidiDeviceInfo> getAvailableOutputs() = 0;

    // Opens an input that, once started, delivers to `callback` on a thread other than the
    // message thread, each message stamped in seconds of the high-resolution clock.
    virtual std::unique_ptr<MidiPortInput> openInput (const juce::String& identifier, MidiPortInputCallback& callback) = 0;

    virtual std::unique_ptr<MidiPortOutput> openOutput (const juce::String& identifier) = 0;

    // The service the application uses: the computer's MIDI service in the shipped build.
    static MidiService& getDefault();
};
