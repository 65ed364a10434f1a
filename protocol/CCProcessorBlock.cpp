#include "protocol/CCProcessorBlock.h"

#include <algorithm>

namespace zun
{

CCProcessorBlock::CCProcessorBlock()
{
    Empty();
}

void CCProcessorBlock::Empty()
{
    portCount = 0;
    ccProcessorsPerSide = 0;
    usbNamingByte = 0;
    presetCount = 0;
    currentPreset = 0;
    selectedPortIndex = 0;
    selectedSide = 0;
    // requestedPreset is kept: it belongs to the "Load Preset" in progress, not to the read-out.

    for (auto& preset : presets)
    {
        preset.number = 0;
        preset.name.clear();
    }

    for (auto& port : ports)
    {
        port.number = 0;
        port.portType = 0;
        port.jackA = 0;
        port.jackB = 0;
        port.directionFlags = 0;
        port.inputFeatureFlags = 0;
        port.outputFeatureFlags = 0;
        port.defaultName.clear();
        port.inputName.clear();
        port.outputName.clear();

        for (auto& processor : port.inputCCProcessors)
            processor = CCProcessorRecord{};

        for (auto& processor : port.outputCCProcessors)
            processor = CCProcessorRecord{};
    }
}

int CCProcessorBlock::BoundedPortCount() const
{
    return std::min (static_cast<int> (portCount), maxPorts);
}

int CCProcessorBlock::BoundedPresetCount() const
{
    return std::min (static_cast<int> (presetCount), maxPresets);
}

int CCProcessorBlock::BoundedCCProcessorCount() const
{
    return std::min (static_cast<int> (ccProcessorsPerSide), maxCCProcessors);
}

juce::String MakeDefaultPortName (uint8_t portType, uint8_t jackA, uint8_t jackB, uint8_t usbNamingByte)
{
    const auto number = [] (uint8_t value)
    { return juce::String (static_cast<int> (value)); };

    switch (portType)
    {
    case DIN:
        return "DIN " + number (jackA != 0 ? jackA : jackB);

    case USBD:
        if (usbNamingByte >= 2)
        {
            // The jack letter: jackA 1 is "A". Built as a code point, so any byte gives a
            // valid character.
            const auto letter = static_cast<juce::juce_wchar> (jackA + 64);
            return "USBD " + juce::String::charToString (letter) + number (jackB);
        }

        return "USBD " + number (jackB);

    case USBH:
        return "USBH " + number (jackB);

    case RTP:
        return "RTP " + number (jackB);

    case Ctrl:
        return jackB == 1 ? juce::String ("Ctrl") : juce::String();

    default:
        return {};
    }
}

} // namespace zun
