#include "emulator/VirtualMidiService.h"

struct VirtualMidiService::Impl
{
};

VirtualMidiService::VirtualMidiService() : impl (std::make_unique<Impl>()) {}
VirtualMidiService::~VirtualMidiService() = default;
int VirtualMidiService::addPortPair (const juce::String&, Device*) { return 0; }
void VirtualMidiService::sendToApplication (int, const juce::MidiMessage&, double) {}
juce::Array<juce::MidiDeviceInfo> VirtualMidiService::getAvailableInputs() { return {}; }
juce::Array<juce::MidiDeviceInfo> VirtualMidiService::getAvailableOutputs() { return {}; }
std::unique_ptr<MidiPortInput> VirtualMidiService::openInput (const juce::String&, MidiPortInputCallback&) { return {}; }
std::unique_ptr<MidiPortOutput> VirtualMidiService::openOutput (const juce::String&) { return {}; }
