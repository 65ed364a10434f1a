#include "app/ZUNDeviceListBox.h"
#include "app/MainComponent.h"

ZUNDeviceListBox::ZUNDeviceListBox (const juce::String& name, MainComponent& ownerComponent)
    : juce::ListBox (name, this), owner (&ownerComponent)
{
}

int ZUNDeviceListBox::getNumRows() { return owner->discoveryItem.devices.size(); }
void ZUNDeviceListBox::paintListBoxItem (int, juce::Graphics&, int, int, bool) {}
void ZUNDeviceListBox::selectedRowsChanged (int) {}
