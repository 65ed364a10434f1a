#include "app/MainComponent.h"

namespace
{
// The radio group shared by "in" and "out".
constexpr int sideRadioGroup = 1;

// The mode items, in item-ID order: ID = CCProcessorMode value + 1.
const char* const modeItemTexts[] = { "-", "Stop Filter", "Pass Filter", "Remap" };

// The controller names, in controller-number order, eight to a line; "---" where the number has no
// name. Item ID = controller number + 1; item text = the number in three digits, a blank, the name.
// clang-format off
const char* const controllerNames[128] = {
    /*   0 -   7 */ "Bank (MSB)", "Modulation", "Breath", "---", "Foot", "Portamento Time", "Data Entry", "Volume",
    /*   8 -  15 */ "Balance", "---", "Pan", "Expression", "Effect 1", "Effect 2", "---", "---",
    /*  16 -  23 */ "General 1", "General 2", "General 3", "General 4", "---", "---", "---", "---",
    /*  24 -  31 */ "---", "---", "---", "---", "---", "---", "---", "---",
    /*  32 -  39 */ "Bank (LSB)", "Modulation (LSB)", "Breath (LSB)", "---", "Foot (LSB)", "Portamento Time (LSB)", "Data Entry (LSB)", "Volume (LSB)",
    /*  40 -  47 */ "Balance (LSB)", "---", "Pan (LSB)", "Expression (LSB)", "Effect 1 (LSB)", "Effect 2 (LSB)", "---", "---",
    /*  48 -  55 */ "General 1 (LSB)", "General 2 (LSB)", "General 3 (LSB)", "General 4 (LSB)", "---", "---", "---", "---",
    /*  56 -  63 */ "---", "---", "---", "---", "---", "---", "---", "---",
    /*  64 -  71 */ "Damper Pedal", "Portamento Switch", "Sostenuto", "Soft Pedal", "Legato", "Hold2", "Variation", "Harmonic",
    /*  72 -  79 */ "Release", "Attack", "Brightness", "Sound Controller 6", "Sound Controller 7", "Sound Controller 8", "Sound Controller 9", "Sound Controller 10",
    /*  80 -  87 */ "General 5", "General 6", "General 7", "General 8", "---", "---", "---", "---",
    /*  88 -  95 */ "---", "---", "---", "Reverb", "Tremolo", "Chorus", "Celeste", "Phaser",
    /*  96 - 103 */ "Data Increment", "Data Decrement", "NRPN (LSB)", "NRPN (MSB)", "RPN (LSB)", "RPN (MSB)", "---", "---",
    /* 104 - 111 */ "---", "---", "---", "---", "---", "---", "---", "---",
    /* 112 - 119 */ "---", "---", "---", "---", "---", "---", "---", "---",
    /* 120 - 127 */ "All Sound Off", "Reset All Controllers", "Local Control", "All Notes Off", "Omni Off", "Omni On", "Mono On", "Poly On",
};
// clang-format on
} // namespace

// Called once by the constructor: texts, item lists, listeners and visibility of the editor.
// Listeners go on before the item lists are filled; filling an unselected combo box reports nothing.
void MainComponent::createGUI()
{
    // The selector captions.
    midiPortLabel.setText ("MIDI Port", juce::dontSendNotification);
    addLabelAndSetStyle (midiPortLabel);
    presetLabel.setText ("Preset", juce::dontSendNotification);
    addLabelAndSetStyle (presetLabel);

    // The selectors.
    addAndMakeVisible (midiPortCombo);
    midiPortCombo.addListener (this);
    addAndMakeVisible (presetCombo);
    presetCombo.addListener (this);

    // "Enable" and the side choice.
    addAndMakeVisible (enableToggle);
    enableToggle.setButtonText ("Enable");
    enableToggle.addListener (this);

    addAndMakeVisible (inToggle);
    inToggle.setButtonText ("in");
    inToggle.setRadioGroupId (sideRadioGroup);
    inToggle.addListener (this);

    addAndMakeVisible (outToggle);
    outToggle.setButtonText ("out");
    outToggle.setRadioGroupId (sideRadioGroup);
    outToggle.addListener (this);

    // The preset buttons.
    addAndMakeVisible (loadPresetButton);
    loadPresetButton.setButtonText ("Load Preset");
    loadPresetButton.addListener (this);

    addAndMakeVisible (savePresetButton);
    savePresetButton.setButtonText ("Save Preset");
    savePresetButton.addListener (this);

    // The grid labels.
    const auto styleLabel = [this] (juce::Label& label, const juce::String& text)
    {
        label.setText (text, juce::dontSendNotification);
        addLabelAndSetStyle (label);
    };

    styleLabel (procHeaderLabel, "Proc #");
    styleLabel (modeHeaderLabel, "Mode");

    for (int c = 0; c < numChannels; ++c)
        styleLabel (channelHeaderLabels[c], juce::String (c + 1));

    styleLabel (controller1HeaderLabel, "Controller 1");
    styleLabel (controller2HeaderLabel, "Controller 2");

    for (int r = 0; r < numRows; ++r)
        styleLabel (procNumberLabels[r], juce::String (r + 1));

    // The row combo boxes: each column made visible, then given the listener.
    for (auto* column : { modeCombos, controller1Combos, controller2Combos })
    {
        for (int r = 0; r < numRows; ++r)
            addAndMakeVisible (column[r]);

        for (int r = 0; r < numRows; ++r)
            column[r].addListener (this);
    }

    // Their item lists.
    for (auto& combo : modeCombos)
        setModeComboBoxItems (&combo);

    for (auto& combo : controller1Combos)
        setControllerComboBoxItems (&combo);

    for (auto& combo : controller2Combos)
        setControllerComboBoxItems (&combo);

    // The channel toggles, row by row; they have no text.
    for (auto& row : channelToggles)
    {
        for (auto& toggle : row)
        {
            addAndMakeVisible (toggle);
            toggle.addListener (this);
        }
    }
}

void MainComponent::setModeComboBoxItems (juce::ComboBox* combo)
{
    combo->clear();

    for (int mode = 0; mode < (int) juce::numElementsInArray (modeItemTexts); ++mode)
        combo->addItem (modeItemTexts[mode], mode + 1);
}

void MainComponent::setControllerComboBoxItems (juce::ComboBox* combo)
{
    combo->clear();

    for (int controller = 0; controller < (int) juce::numElementsInArray (controllerNames); ++controller)
        combo->addItem (juce::String::formatted ("%03d ", controller) + controllerNames[controller], controller + 1);
}
