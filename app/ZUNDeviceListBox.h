#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class MainComponent;

// The list of discovered interfaces; its own model.
class ZUNDeviceListBox : public juce::ListBox, private juce::ListBoxModel
{
public:
    ZUNDeviceListBox (const juce::String& name, MainComponent& ownerComponent);

    int getNumRows() override;
    void paintListBoxItem (int rowNumber, juce::Graphics& g, int width, int height, bool rowIsSelected) override;
    void selectedRowsChanged (int lastRowSelected) override;

    MainComponent* owner;
    int lastSelectedRow = -1;
};
