#include "app/MainComponent.h"

MainComponent::MainComponent() : MainComponent (MidiService::getDefault()) {}

MainComponent::MainComponent (MidiService& service)
    : midiService (service),
      deviceSelector (std::make_unique<ZUNDeviceListBox> ("Device Selector", *this))
{
    setSize (1032, 528);
}

MainComponent::~MainComponent()
{
    stopTimer (discoveryWindowTimer);
    stopTimer (replyTimeoutTimer);
    midiInputs.clear();
    midiOutputs.clear();
    deviceSelector.reset();
}

void MainComponent::paint (juce::Graphics&) {}
void MainComponent::resized() {}
void MainComponent::addLabelAndSetStyle (juce::Label&) {}
void MainComponent::comboBoxChanged (juce::ComboBox* combo) { appComboBoxChanged (combo); }
