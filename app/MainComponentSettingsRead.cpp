#include "app/MainComponent.h"

void MainComponent::getSettingsClicked() {}
void MainComponent::loadPresetClicked() {}
void MainComponent::savePresetClicked() {}
void MainComponent::handleSettingsReply (const juce::MidiMessage&) {}
void MainComponent::handleAcknowledgement (const juce::MidiMessage&) {}
