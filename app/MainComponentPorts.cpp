#include "app/MainComponent.h"

void MainComponent::createDeviceList (bool) {}
void MainComponent::openDevice (bool, int) {}
void MainComponent::closeDevice (bool, int) {}
void MainComponent::openDevice (int) {}
void MainComponent::closeDevice (int) {}
void MainComponent::sendToOutputs (const juce::MidiMessage&) {}
void MainComponent::handleIncomingMidiMessage (MidiPortInput*, const juce::MidiMessage&) {}
