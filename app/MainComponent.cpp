#include "app/MainComponent.h"

namespace
{
constexpr int defaultWidth = 1032;
constexpr int defaultHeight = 528;
constexpr int versionMajor = 15;

constexpr float labelFontHeight = 15.0f;
constexpr float versionFontHeight = 12.0f;

// The editor grid: processor rows stand 30 pixels apart; channel columns 24 apart, with 12 more
// pixels between groups of four.
constexpr int gridHeaderY = 248;
constexpr int firstRowY = 278;
constexpr int rowPitch = 30;
constexpr int firstChannelX = 192;
constexpr int channelPitch = 24;
constexpr int channelGroupGap = 12;
constexpr int channelsPerGroup = 4;
constexpr int channelWidth = 24;
constexpr int widgetHeight = 24;

int rowY (int row)
{
    return firstRowY + rowPitch * row;
}
int channelX (int channel)
{
    return firstChannelX + channelPitch * channel + channelGroupGap * (channel / channelsPerGroup);
}
} // namespace

MainComponent::MainComponent (MidiService& service)
    : midiService (service),
      deviceSelector (std::make_unique<ZUNDeviceListBox> ("Device Selector", *this))
{
    setSize (defaultWidth, defaultHeight);

    versionLabel.setText (juce::String::formatted ("V6 P%d", versionMajor), juce::dontSendNotification);
    selectInterfaceLabel.setText ("Select Interface", juce::dontSendNotification);

    addLabelAndSetStyle (selectInterfaceLabel);
    addLabelAndSetStyle (versionLabel);

    versionLabel.setFont (juce::Font (versionFontHeight));

    addAndMakeVisible (searchButton);
    searchButton.setButtonText ("Search");
    searchButton.addListener (this);

    addAndMakeVisible (clearLogButton);
    clearLogButton.setButtonText ("Clear Log");
    clearLogButton.addListener (this);

    addAndMakeVisible (getSettingsButton);
    getSettingsButton.setButtonText ("Get Settings");
    getSettingsButton.addListener (this);

    // Read whenever a monitor line is due; it needs no listener.
    addAndMakeVisible (showMidiMessagesToggle);
    showMidiMessagesToggle.setButtonText ("Show MIDI Messages");

    // The monitor view sets itself up (read-only, scroll bars, 12-point text).
    addAndMakeVisible (messageLog);

    addAndMakeVisible (*deviceSelector);

    logLineCount = 1;

    createGUI();
    clrGUI();

    // Posting a message makes a weak reference to this listener, and the first one ever made
    // creates the shared record behind it, which is not safe from two MIDI input threads at once.
    // Making it here, before any port can open, leaves the input threads only copies to take.
    const juce::WeakReference<juce::MessageListener> listenerReference (static_cast<juce::MessageListener*> (this));
    juce::ignoreUnused (listenerReference);
}

MainComponent::~MainComponent()
{
    clearLogButton.removeListener (this);
    searchButton.removeListener (this);
    getSettingsButton.removeListener (this);

    // No timer callback may reach a half-destroyed component.
    stopTimer (discoveryWindowTimer);
    stopTimer (replyTimeoutTimer);
    stopTimer (pauseTimer);

    // Destroying the entries closes their ports; once the inputs are gone no MIDI callback runs.
    midiInputs.clear();
    midiOutputs.clear();

    deviceSelector.reset();
}

void MainComponent::paint (juce::Graphics&)
{
    // Nothing: the window's background shows between the widgets.
}

void MainComponent::resized()
{
    const int w = getWidth();

    selectInterfaceLabel.setBounds (10, 10, w / 2 - 20, 24);
    deviceSelector->setBounds (10, 46, 240, 132);
    searchButton.setBounds (120, 10, 100, 24);
    getSettingsButton.setBounds (10, 188, 100, 24);
    versionLabel.setBounds (w - 50, 10, 44, 24);
    showMidiMessagesToggle.setBounds (258, 10, 160, 24);
    clearLogButton.setBounds (426, 10, 100, 24);
    messageLog.setBounds (258, 46, w - 268, 132);

    midiPortLabel.setBounds (130, 188, 72, 24);
    midiPortCombo.setBounds (202, 188, 374, 24);
    presetLabel.setBounds (586, 188, 52, 24);
    presetCombo.setBounds (642, 188, 164, 24);
    loadPresetButton.setBounds (814, 188, 100, 24);
    savePresetButton.setBounds (920, 188, 100, 24);
    enableToggle.setBounds (10, 218, 80, 24);
    inToggle.setBounds (130, 218, 40, 24);
    outToggle.setBounds (170, 218, 48, 24);

    procHeaderLabel.setBounds (10, gridHeaderY, 50, widgetHeight);

    for (int p = 0; p < numRows; ++p)
        procNumberLabels[p].setBounds (10, rowY (p), 50, widgetHeight);

    modeHeaderLabel.setBounds (60, gridHeaderY, 124, widgetHeight);

    for (int p = 0; p < numRows; ++p)
        modeCombos[p].setBounds (60, rowY (p), 124, widgetHeight);

    for (int c = 0; c < numChannels; ++c)
        channelHeaderLabels[c].setBounds (channelX (c), gridHeaderY, channelWidth, widgetHeight);

    for (int p = 0; p < numRows; ++p)
        for (int c = 0; c < numChannels; ++c)
            channelToggles[p][c].setBounds (channelX (c), rowY (p), channelWidth, widgetHeight);

    controller1HeaderLabel.setBounds (620, gridHeaderY, 200, widgetHeight);

    for (int p = 0; p < numRows; ++p)
        controller1Combos[p].setBounds (620, rowY (p), 200, widgetHeight);

    controller2HeaderLabel.setBounds (820, gridHeaderY, 200, widgetHeight);

    for (int p = 0; p < numRows; ++p)
        controller2Combos[p].setBounds (820, rowY (p), 200, widgetHeight);
}

void MainComponent::addLabelAndSetStyle (juce::Label& label)
{
    label.setFont (juce::Font (labelFontHeight, juce::Font::plain));
    label.setJustificationType (juce::Justification::centredLeft);
    label.setEditable (false, false, false);
    label.setColour (juce::TextEditor::textColourId, juce::Colours::black);
    label.setColour (juce::TextEditor::backgroundColourId, juce::Colour (0x00000000));
    addAndMakeVisible (label);
}

void MainComponent::comboBoxChanged (juce::ComboBox* combo)
{
    appComboBoxChanged (combo);
}
