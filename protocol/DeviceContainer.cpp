#include "protocol/DeviceContainer.h"

namespace zun
{
bool DeviceContainer::IsValidMidiMessage (const juce::MidiMessage&) const { return false; }
juce::MidiMessage DeviceContainer::CreateGetSettingsCCProcessorInfo() { return {}; }
} // namespace zun
