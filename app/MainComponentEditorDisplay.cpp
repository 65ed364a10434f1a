#include "app/MainComponent.h"

void MainComponent::setGUI() {}
void MainComponent::updateGUI() {}
void MainComponent::clrGUI() {}
