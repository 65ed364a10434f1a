#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

class MidiPortInput;

// Receives every complete message of the inputs it was opened with, on the MIDI input thread.
class MidiPortInputCallback
{
public:
    virtual ~MidiPortInputCallback() = default;

    virtual void handleIncomingMidiMessage (MidiPortInput* source, const juce::MidiMessage& message) = 0;
};
