#include "app/MainComponent.h"

namespace
{
constexpr uint8_t inputSide = 0;

// The record the editor shows, or nothing when selectedPortIndex lies past the model's capacity.
const zun::MidiPortRecord* shownPort (const zun::CCProcessorBlock& block)
{
    if (block.selectedPortIndex >= zun::CCProcessorBlock::maxPorts)
        return nullptr;

    return &block.ports[block.selectedPortIndex];
}

// "2 - DIN 2 [in] Synth [out] Keys": number, default name, then the name of each side the port has.
juce::String portItemText (const zun::MidiPortRecord& port)
{
    auto text = juce::String::formatted ("%d - ", (int) port.number) + port.defaultName;

    if ((port.directionFlags & zun::hasInputSide) != 0)
        text << " [in] " << port.inputName;

    if ((port.directionFlags & zun::hasOutputSide) != 0)
        text << " [out] " << port.outputName;

    return text;
}

// The current preset is marked with an asterisk.
juce::String presetItemText (const zun::PresetRecord& preset, uint8_t currentPreset)
{
    const char* format = preset.number == currentPreset ? "* %d - " : "%d - ";
    return juce::String::formatted (format, (int) preset.number) + preset.name;
}
} // namespace

// Fills the editor from the model at the end of a read-out. Everything is written without change
// notification, so nothing is stored or sent from here.
void MainComponent::setGUI()
{
    auto& block = deviceContainer.block;

    clrGUI();

    midiPortCombo.clear();

    for (int i = 0; i < block.BoundedPortCount(); ++i)
    {
        const auto& port = block.ports[i];

        if (port.portType == zun::Ctrl)
            continue;

        midiPortCombo.addItem (portItemText (port), i + 1);
    }

    presetCombo.clear();

    for (int j = 0; j < block.BoundedPresetCount(); ++j)
    {
        const auto& preset = block.presets[j];

        if (preset.number != 0)
            presetCombo.addItem (presetItemText (preset, block.currentPreset), preset.number);
    }

    midiPortCombo.setSelectedId (block.selectedPortIndex + 1, juce::dontSendNotification);
    presetCombo.setSelectedId (block.currentPreset, juce::dontSendNotification);

    if (block.selectedSide == inputSide)
        inToggle.setToggleState (true, juce::dontSendNotification);
    else
        outToggle.setToggleState (true, juce::dontSendNotification);

    inToggle.setEnabled (true);
    outToggle.setEnabled (true);

    updateGUI();

    guiPopulated = true;
}

// Shows the selected side of the selected port in the grid; the widgets are disabled, still showing
// the stored values, when the port has no such side.
void MainComponent::updateGUI()
{
    static const zun::MidiPortRecord noPort;

    const auto& block = deviceContainer.block;
    const auto* found = shownPort (block);
    const auto& port = found != nullptr ? *found : noPort;
    const bool isInput = block.selectedSide == inputSide;

    const auto availabilityBit = isInput ? zun::hasInputSide : zun::hasOutputSide;
    const auto featureFlags = isInput ? port.inputFeatureFlags : port.outputFeatureFlags;
    const auto* processors = isInput ? port.inputCCProcessors : port.outputCCProcessors;
    const bool available = (port.directionFlags & availabilityBit) != 0;

    setGridEnabled (available);

    enableToggle.setToggleState ((featureFlags & zun::ccProcessorEnableBit) != 0, juce::dontSendNotification);

    // A mode of 4 or more or a controller above 127 selects an ID no item carries: no selection.
    for (int r = 0; r < numRows; ++r)
        modeCombos[r].setSelectedId (processors[r].mode + 1, juce::dontSendNotification);

    for (int r = 0; r < numRows; ++r)
        controller1Combos[r].setSelectedId (processors[r].controllerA + 1, juce::dontSendNotification);

    for (int r = 0; r < numRows; ++r)
        controller2Combos[r].setSelectedId (processors[r].controllerB + 1, juce::dontSendNotification);

    for (int r = 0; r < numRows; ++r)
        for (int c = 0; c < numChannels; ++c)
            channelToggles[r][c].setToggleState ((processors[r].channelMask & (1u << c)) != 0, juce::dontSendNotification);
}

void MainComponent::setGridEnabled (bool enabled)
{
    enableToggle.setEnabled (enabled);

    for (auto* column : { modeCombos, controller1Combos, controller2Combos })
        for (int r = 0; r < numRows; ++r)
            column[r].setEnabled (enabled);

    for (auto& row : channelToggles)
        for (auto& toggle : row)
            toggle.setEnabled (enabled);
}

// Empties the editor; the model stays as it is. Until the next setGUI the editor holds nothing
// that may be edited: the grid, "Enable", "in" and "out" are disabled, so no choice can land in
// a record that a read has filled or is about to fill. Emptying the two selectors may leave the
// framework's asynchronous change report pending; the reactions do nothing then.
void MainComponent::clrGUI()
{
    guiPopulated = false;

    setGridEnabled (false);
    inToggle.setEnabled (false);
    outToggle.setEnabled (false);

    midiPortCombo.setSelectedId (0, juce::dontSendNotification);
    midiPortCombo.clear();

    presetCombo.setSelectedId (0, juce::dontSendNotification);
    presetCombo.clear();

    enableToggle.setToggleState (false, juce::dontSendNotification);
    inToggle.setToggleState (false, juce::dontSendNotification);
    outToggle.setToggleState (false, juce::dontSendNotification);

    for (auto* column : { modeCombos, controller1Combos, controller2Combos })
        for (int r = 0; r < numRows; ++r)
            column[r].setSelectedId (0, juce::dontSendNotification);

    for (auto& row : channelToggles)
        for (auto& toggle : row)
            toggle.setToggleState (false, juce::dontSendNotification);
}
