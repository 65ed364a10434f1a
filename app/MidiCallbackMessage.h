#pragma once

#include "app/MidiPortInput.h"

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_events/juce_events.h>

// An incoming MIDI message on its way from the MIDI input thread to the message thread.
struct MidiCallbackMessage : public juce::Message
{
    MidiCallbackMessage (MidiPortInput* sourceInput, const juce::MidiMessage& incoming)
        : source (sourceInput), message (incoming)
    {
    }

    // Only ever compared for identity with the open inputs; never used to reach the input.
    MidiPortInput* source;
    juce::MidiMessage message;
};
