#include "app/SystemMidiService.h"

juce::Array<juce::MidiDeviceInfo> SystemMidiService::getAvailableInputs() { return juce::MidiInput::getAvailableDevices(); }
juce::Array<juce::MidiDeviceInfo> SystemMidiService::getAvailableOutputs() { return juce::MidiOutput::getAvailableDevices(); }
std::unique_ptr<MidiPortInput> SystemMidiService::openInput (const juce::String&, MidiPortInputCallback&) { return {}; }
std::unique_ptr<MidiPortOutput> SystemMidiService::openOutput (const juce::String&) { return {}; }
