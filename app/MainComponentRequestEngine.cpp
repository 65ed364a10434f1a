#include "app/MainComponent.h"

void MainComponent::sendRequest (unsigned char*, unsigned short) {}
void MainComponent::sendFrame (juce::MidiMessage) {}
void MainComponent::showAlert (const juce::String&, const juce::String&) {}
void MainComponent::timerCallback (int) {}
void MainComponent::handleMessage (const juce::Message&) {}
void MainComponent::buttonClicked (juce::Button*) {}
void MainComponent::replyTimedOut() {}
