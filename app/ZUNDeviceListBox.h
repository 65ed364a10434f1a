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

    // A click on the row that was already selected deselects it: JUCE's list box flips a row's
    // selection on a click only when multiple selection is on.
    void listBoxItemClicked (int row, const juce::MouseEvent& event) override;

    MainComponent* owner;
    int lastSelectedRow = -1;

private:
    // True from a selection change until the messages queued by then have been handled: a click
    // that has just selected its row must not deselect it again.
    bool selectionJustChanged = false;
};
