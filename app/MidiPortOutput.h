#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

// An open MIDI output of the MIDI layer.
class MidiPortOutput
{
public:
    virtual ~MidiPortOutput() = default;

    // Sends the message at once.
    virtual void sendMessageNow (const juce::MidiMessage& message) = 0;
};
