#pragma once

#include "app/MidiService.h"

// The computer's MIDI service, through juce::MidiInput and juce::MidiOutput.
class SystemMidiService : public MidiService
{
public:
    juce::Array<juce::MidiDeviceInfo> getAvailableInputs() override;
    juce::Array<juce::MidiDeviceInfo> getAvailableOutputs() override;
    std::unique_ptr<MidiPortInput> openInput (const juce::String& identifier, MidiPortInputCallback& callback) override;
    std::unique_ptr<MidiPortOutput> openOutput (const juce::String& identifier) override;
};
