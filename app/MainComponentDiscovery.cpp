#include "app/MainComponent.h"

void MainComponent::searchClicked() {}
void MainComponent::discoveryWindowEnded() {}
void MainComponent::handleDiscoveryReply (const MidiCallbackMessage&) {}
void MainComponent::handleProductNameReply (const juce::MidiMessage&) {}
void MainComponent::deviceSelectionChanged (int) {}
