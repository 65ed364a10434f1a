#include "app/MainComponent.h"

void MainComponent::addMessageToList (const juce::MidiMessage&, bool) {}
void MainComponent::clearLog() {}
