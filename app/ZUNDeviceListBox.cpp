#include "app/ZUNDeviceListBox.h"
#include "app/MainComponent.h"

namespace
{
constexpr int rowTextIndent = 5;
constexpr float rowFontProportion = 0.7f;
} // namespace

ZUNDeviceListBox::ZUNDeviceListBox (const juce::String& name, MainComponent& ownerComponent)
    : juce::ListBox (name), owner (&ownerComponent)
{
    // The model base is constructed only after the list box base, so the list box is given its
    // model here rather than in its constructor.
    setModel (this);
    setOutlineThickness (1);
    setMultipleSelectionEnabled (false);
    // A click on the selected row deselects it, which closes that interface's ports.
    setClickingTogglesRowSelection (true);
    lastSelectedRow = -1;
}

int ZUNDeviceListBox::getNumRows()
{
    return owner->discoveryItem.devices.size();
}

void ZUNDeviceListBox::paintListBoxItem (int rowNumber, juce::Graphics& g, int width, int height, bool rowIsSelected)
{
    auto& lookAndFeel = getLookAndFeel();
    const auto textColour = lookAndFeel.findColour (juce::ListBox::textColourId);

    if (rowIsSelected)
        g.fillAll (textColour.interpolatedWith (lookAndFeel.findColour (juce::ListBox::backgroundColourId), 0.5f));

    g.setColour (textColour);
    g.setFont ((float) height * rowFontProportion);

    const auto& devices = owner->discoveryItem.devices;

    if (juce::isPositiveAndBelow (rowNumber, devices.size()))
        g.drawText (devices.getUnchecked (rowNumber)->displayName,
                    rowTextIndent, 0, width, height, juce::Justification::centredLeft, true);
}

void ZUNDeviceListBox::selectedRowsChanged (int)
{
    selectionJustChanged = true;
    juce::MessageManager::callAsync ([safeThis = juce::Component::SafePointer<ZUNDeviceListBox> (this)]
                                     {
                                         if (safeThis != nullptr)
                                             safeThis->selectionJustChanged = false;
                                     });

    // The row comes from the selection itself: -1 when nothing is selected.
    owner->deviceSelectionChanged (getSelectedRow (0));
}

void ZUNDeviceListBox::listBoxItemClicked (int row, const juce::MouseEvent&)
{
    // The list box tells the model of every click after it has applied it to the selection; the
    // click selected this row only if the selection has just changed.
    if (! selectionJustChanged && isRowSelected (row))
        deselectAllRows();

    selectionJustChanged = false;
}
