#pragma once

#include <cstdint>
#include <juce_core/juce_core.h>

namespace zun
{

enum MidiPortType : uint8_t
{
    DIN = 1,
    USBD = 2,
    USBH = 3,
    RTP = 4,
    Ctrl = 5
};

enum CCProcessorMode : uint8_t
{
    Off = 0,
    StopFilter = 1,
    PassFilter = 2,
    Remap = 3
};

// Bit 3 of a side's feature-flags byte: the side's CC processors are enabled.
constexpr uint8_t ccProcessorEnableBit = 0x08;

// Bits of MidiPortRecord::directionFlags.
constexpr uint8_t hasInputSide = 0x01;
constexpr uint8_t hasOutputSide = 0x02;

struct CCProcessorRecord
{
    uint8_t number = 0;
    uint8_t mode = 0;
    uint8_t controllerA = 0;
    uint8_t controllerB = 0;
    uint16_t channelMask = 0; // bit n-1 = MIDI channel n
};

struct PresetRecord
{
    uint8_t number = 0;
    juce::String name;
};

constexpr int maxCCProcessorsPerSide = 8;

struct MidiPortRecord
{
    uint8_t number = 0;
    uint8_t portType = 0;
    uint8_t jackA = 0;
    uint8_t jackB = 0;
    uint8_t directionFlags = 0;
    uint8_t inputFeatureFlags = 0;
    uint8_t outputFeatureFlags = 0;
    juce::String defaultName;
    juce::String inputName;
    juce::String outputName;
    CCProcessorRecord inputCCProcessors[maxCCProcessorsPerSide];
    CCProcessorRecord outputCCProcessors[maxCCProcessorsPerSide];
};

// The settings of one interface, as read from it and edited by the user.
class CCProcessorBlock
{
public:
    static constexpr int maxPorts = 96;
    static constexpr int maxPresets = 32;
    static constexpr int maxCCProcessors = maxCCProcessorsPerSide;

    CCProcessorBlock();

    // Resets everything but requestedPreset.
    void Empty();

    // The reported counts, bounded by the capacities: safe as loop bounds and acceptance bounds.
    int BoundedPortCount() const;
    int BoundedPresetCount() const;
    int BoundedCCProcessorCount() const;

    uint8_t portCount = 0;
    uint8_t ccProcessorsPerSide = 0;
    uint8_t usbNamingByte = 0;
    uint8_t presetCount = 0;
    uint8_t currentPreset = 0;
    uint8_t selectedPortIndex = 0;
    uint8_t selectedSide = 0;
    uint8_t requestedPreset = 0;
    MidiPortRecord ports[maxPorts];
    PresetRecord presets[maxPresets];
};

// The name a port is shown by, made from its type, jack bytes and the interface's USB naming byte.
juce::String MakeDefaultPortName (uint8_t portType, uint8_t jackA, uint8_t jackB, uint8_t usbNamingByte);

} // namespace zun
