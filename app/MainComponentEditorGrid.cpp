#include "app/MainComponent.h"

void MainComponent::createGUI() {}
void MainComponent::setModeComboBoxItems (juce::ComboBox*) {}
void MainComponent::setControllerComboBoxItems (juce::ComboBox*) {}
