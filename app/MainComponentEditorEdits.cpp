#include "app/MainComponent.h"
#include "protocol/RequestTemplates.h"

namespace
{
constexpr uint8_t inputSide = 0;
constexpr uint8_t outputSide = 1;

bool showsInputSide (const zun::CCProcessorBlock& block)
{
    return block.selectedSide == inputSide;
}

// The record the editor shows, or nothing when selectedPortIndex lies past the model's capacity.
zun::MidiPortRecord* shownPort (zun::CCProcessorBlock& block)
{
    if (block.selectedPortIndex >= zun::CCProcessorBlock::maxPorts)
        return nullptr;

    return &block.ports[block.selectedPortIndex];
}

// CC processor `row` (1 to 8) of the side shown, or nothing for a row or port outside the model.
zun::CCProcessorRecord* shownProcessor (zun::CCProcessorBlock& block, int row)
{
    auto* port = shownPort (block);

    if (port == nullptr || row < 1 || row > zun::CCProcessorBlock::maxCCProcessors)
        return nullptr;

    auto* processors = showsInputSide (block) ? port->inputCCProcessors : port->outputCCProcessors;
    return &processors[row - 1];
}

// The selected item as a value (item ID - 1), or -1 when nothing is selected.
int selectedValue (const juce::ComboBox& combo)
{
    return combo.getSelectedId() - 1;
}
} // namespace

// Every combo box of the window reports here; the senders are told apart by identity. While the
// editor holds no read-out (it is cleared, or a read or preset load is under way) nothing the
// user does to it reaches the model.
void MainComponent::appComboBoxChanged (juce::ComboBox* combo)
{
    if (! guiPopulated)
        return;

    for (int r = 0; r < numRows; ++r)
    {
        if (combo == &controller1Combos[r])
        {
            changeCCIDCombo (combo, 1, r + 1);
            return;
        }
    }

    for (int r = 0; r < numRows; ++r)
    {
        if (combo == &controller2Combos[r])
        {
            changeCCIDCombo (combo, 2, r + 1);
            return;
        }
    }

    for (int r = 0; r < numRows; ++r)
    {
        if (combo == &modeCombos[r])
        {
            changeModeCombo (combo, r + 1);
            return;
        }
    }

    if (combo == &midiPortCombo)
    {
        // Item IDs are record indexes + 1; nothing selected (ID 0) changes nothing.
        const int index = selectedValue (midiPortCombo);

        if (index >= 0 && index < zun::CCProcessorBlock::maxPorts)
        {
            deviceContainer.block.selectedPortIndex = (uint8_t) index;
            updateGUI();
        }
    }

    // presetCombo: its selection is read when "Load Preset" is pressed.
}

// "in", "out", "Enable" and the channel toggles; the other buttons are handled by buttonClicked.
void MainComponent::appButtonClicked (juce::Button* button)
{
    if (! guiPopulated)
        return;

    if (button == &inToggle || button == &outToggle)
    {
        // The side is the toggle's that reported, whatever its state: of the pair the radio group
        // reports the one switched off first and the clicked one last.
        deviceContainer.block.selectedSide = button == &inToggle ? inputSide : outputSide;
        updateGUI();
        return;
    }

    if (button == &enableToggle)
    {
        sendFeatureFlags();
        return;
    }

    for (int r = 0; r < numRows; ++r)
    {
        for (int c = 0; c < numChannels; ++c)
        {
            if (button == &channelToggles[r][c])
            {
                changeChannelCheckbox (button, r + 1, (unsigned short) (1u << c));
                return;
            }
        }
    }
}

// Stores and sends a newly chosen mode; choosing the mode already stored does nothing.
void MainComponent::changeModeCombo (juce::ComboBox* combo, int row)
{
    auto* processor = shownProcessor (deviceContainer.block, row);
    const int mode = selectedValue (*combo);

    if (processor == nullptr || mode < 0 || mode == processor->mode)
        return;

    processor->mode = (uint8_t) mode;
    updateDeviceCCProc (row);
}

// Stores and sends a newly chosen controller 1 or 2; choosing the one already stored does nothing.
void MainComponent::changeCCIDCombo (juce::ComboBox* combo, int controller, int row)
{
    auto* processor = shownProcessor (deviceContainer.block, row);
    const int number = selectedValue (*combo);

    if (processor == nullptr || number < 0)
        return;

    auto& stored = controller == 1 ? processor->controllerA : processor->controllerB;

    if (number == stored)
        return;

    stored = (uint8_t) number;
    updateDeviceCCProc (row);
}

// Every click stores the toggle's state into its bit of the row's channel mask and sends the row.
void MainComponent::changeChannelCheckbox (juce::Button* button, int row, unsigned short channelBit)
{
    auto* processor = shownProcessor (deviceContainer.block, row);

    if (processor == nullptr)
        return;

    if (button->getToggleState())
        processor->channelMask = (uint16_t) (processor->channelMask | channelBit);
    else
        processor->channelMask = (uint16_t) (processor->channelMask & ~channelBit);

    updateDeviceCCProc (row);
}

// Sends CC processor `row` of the side shown; only while the editor holds a read-out.
void MainComponent::updateDeviceCCProc (int row)
{
    if (! guiPopulated)
        return;

    auto& block = deviceContainer.block;
    const auto* processor = shownProcessor (block, row);

    if (processor == nullptr)
        return;

    using namespace zun::PatchPoint;
    auto* payload = SXMessage_SetCCProc;

    payload[SetCCProcPort] = (unsigned char) (block.selectedPortIndex + 1);
    payload[SetCCProcRow] = (unsigned char) row;
    payload[SetCCProcParm] = showsInputSide (block) ? zun::ParmId::InputCCProcessor : zun::ParmId::OutputCCProcessor;
    payload[SetCCProcMode] = processor->mode;
    payload[SetCCProcMask2] = (unsigned char) (processor->channelMask >> 14);
    payload[SetCCProcMask1] = (unsigned char) ((processor->channelMask >> 7) & 0x7F);
    payload[SetCCProcMask0] = (unsigned char) (processor->channelMask & 0x7F);
    payload[SetCCProcControllerA] = processor->controllerA;
    payload[SetCCProcControllerB] = processor->controllerB;

    sendCommand (AwaitingChangeAck, SXMessage_SetCCProc, zun::TemplateLength::SetCCProc);
}

// The Enable reaction: writes the toggle's state into bit 3 of the side's feature flags, keeping
// the other bits as read, and sends the whole byte.
void MainComponent::sendFeatureFlags()
{
    if (! guiPopulated)
        return;

    auto& block = deviceContainer.block;
    auto* port = shownPort (block);

    if (port == nullptr)
        return;

    const bool isInput = showsInputSide (block);
    auto& flags = isInput ? port->inputFeatureFlags : port->outputFeatureFlags;
    const auto enableBit = enableToggle.getToggleState() ? zun::ccProcessorEnableBit : 0;
    flags = (uint8_t) ((flags & ~zun::ccProcessorEnableBit) | enableBit);

    using namespace zun::PatchPoint;
    auto* payload = SXMessage_SetPortFeatureFlags;

    payload[FeatureFlagsPort] = (unsigned char) (block.selectedPortIndex + 1);
    payload[FeatureFlagsParm] = isInput ? zun::ParmId::InputFeatureFlags : zun::ParmId::OutputFeatureFlags;
    payload[FeatureFlagsValue] = flags;

    sendCommand (AwaitingChangeAck, SXMessage_SetPortFeatureFlags, zun::TemplateLength::SetPortFeatureFlags);
}
