#include "app/MainComponent.h"

void MainComponent::appComboBoxChanged (juce::ComboBox*) {}
void MainComponent::appButtonClicked (juce::Button*) {}
void MainComponent::changeModeCombo (juce::ComboBox*, int) {}
void MainComponent::changeCCIDCombo (juce::ComboBox*, int, int) {}
void MainComponent::changeChannelCheckbox (juce::Button*, int, unsigned short) {}
void MainComponent::updateDeviceCCProc (int) {}
void MainComponent::sendFeatureFlags() {}
