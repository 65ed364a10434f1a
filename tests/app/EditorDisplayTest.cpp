#include "app/MainComponent.h"
#include "support/MessageLoop.h"
#include "support/RecordingDevice.h"

#include <gtest/gtest.h>
#include <vector>

namespace
{
using testing_support::runMessageLoopFor;

void fillPort (zun::MidiPortRecord& port, uint8_t number, uint8_t type, uint8_t directionFlags,
               const char* defaultName, const char* inputName, const char* outputName)
{
    port.number = number;
    port.portType = type;
    port.jackB = number;
    port.directionFlags = directionFlags;
    port.defaultName = defaultName;
    port.inputName = inputName;
    port.outputName = outputName;
}

// Fills the model as a read-out of a small interface leaves it: four ports of which one is the
// control port, an unfilled record listed through portCount, three presets, preset 2 current.
void fillModel (zun::CCProcessorBlock& block)
{
    block.portCount = 6;
    block.ccProcessorsPerSide = 8;
    block.presetCount = 3;
    block.currentPreset = 2;

    fillPort (block.ports[0], 1, zun::DIN, 0x01, "DIN 1", "Drums", "");
    fillPort (block.ports[1], 2, zun::DIN, 0x03, "DIN 2", "Synth", "Keys");
    fillPort (block.ports[2], 3, zun::Ctrl, 0x03, "Ctrl", "", "");
    fillPort (block.ports[3], 4, zun::USBD, 0x02, "USBD 1", "", "Host");
    fillPort (block.ports[4], 5, zun::RTP, 0x00, "RTP 1", "Net In", "Net Out");
    // ports[5]: never filled by a reply.

    block.ports[0].inputFeatureFlags = 0x09;
    block.ports[0].outputFeatureFlags = 0x07;

    auto* in = block.ports[0].inputCCProcessors;
    in[0] = { 1, zun::Remap, 7, 11, 0x8001 };
    in[1] = { 2, zun::StopFilter, 64, 127, 0x0080 };
    in[2] = { 3, 5, 0, 200, 0xffff }; // a mode and a controller that have no item
    in[7] = { 8, zun::PassFilter, 1, 2, 0x0100 };

    // Values the interface would not report for a side the port lacks, shown all the same.
    auto* out = block.ports[0].outputCCProcessors;
    out[0] = { 1, zun::PassFilter, 10, 20, 0x0003 };
    out[5] = { 6, zun::Remap, 120, 121, 0x4000 };

    const char* names[] = { "Live", "Studio", "Spare" };
    for (int j = 0; j < 3; ++j)
        block.presets[j] = { (uint8_t) (j + 1), names[j] };
}

struct Item
{
    int id;
    juce::String text;
    bool operator== (const Item& other) const { return id == other.id && text == other.text; }
};

std::ostream& operator<< (std::ostream& os, const Item& item) { return os << item.id << " \"" << item.text << "\""; }

std::vector<Item> itemsOf (const juce::ComboBox& combo)
{
    std::vector<Item> items;
    for (int i = 0; i < combo.getNumItems(); ++i)
        items.push_back ({ combo.getItemId (i), combo.getItemText (i) });
    return items;
}

struct EditorDisplayTest : public testing_support::RecordingInterfaceTest
{
    // As the end of a read-out does it.
    void readOut (uint8_t portIndex, uint8_t side)
    {
        block().selectedPortIndex = portIndex;
        block().selectedSide = side;
        mc->setGUI();
    }

    // The 153 widgets that follow the shown side's availability.
    std::vector<juce::Component*> sideWidgets()
    {
        std::vector<juce::Component*> widgets { &mc->enableToggle };

        for (auto* column : { mc->modeCombos, mc->controller1Combos, mc->controller2Combos })
            for (int r = 0; r < MainComponent::numRows; ++r)
                widgets.push_back (&column[r]);

        for (auto& row : mc->channelToggles)
            for (auto& toggle : row)
                widgets.push_back (&toggle);

        return widgets;
    }

    // Mode, controller 1 and controller 2 IDs and the channel toggles of one row, as shown.
    struct Row { int mode, controller1, controller2; uint16_t mask; };

    Row shownRow (int r)
    {
        uint16_t mask = 0;
        for (int c = 0; c < MainComponent::numChannels; ++c)
            if (mc->channelToggles[r][c].getToggleState())
                mask = (uint16_t) (mask | (1u << c));

        return { mc->modeCombos[r].getSelectedId(), mc->controller1Combos[r].getSelectedId(),
                 mc->controller2Combos[r].getSelectedId(), mask };
    }
};
} // namespace

TEST_F (EditorDisplayTest, SelectorsListThePortsAndPresetsOfTheReadOut)
{
    fillModel (block());
    readOut (0, 0);

    const std::vector<Item> ports {
        { 1, "1 - DIN 1 [in] Drums" },
        { 2, "2 - DIN 2 [in] Synth [out] Keys" },
        // the control port is never listed
        { 4, "4 - USBD 1 [out] Host" },
        { 5, "5 - RTP 1" },   // neither side: number and default name only
        { 6, "0 - " },        // a record no reply filled
    };
    const std::vector<Item> presets { { 1, "1 - Live" }, { 2, "* 2 - Studio" }, { 3, "3 - Spare" } };

    EXPECT_EQ (itemsOf (mc->midiPortCombo), ports);
    EXPECT_EQ (itemsOf (mc->presetCombo), presets);
    EXPECT_EQ (mc->midiPortCombo.getSelectedId(), 1);
    EXPECT_EQ (mc->presetCombo.getSelectedId(), 2);
    EXPECT_TRUE (mc->inToggle.getToggleState());
    EXPECT_FALSE (mc->outToggle.getToggleState());
    EXPECT_TRUE (mc->guiPopulated);
}

TEST_F (EditorDisplayTest, GridShowsTheSelectedSide)
{
    fillModel (block());

    struct Case { const char* what; uint8_t side; int row; Row expected; bool enableOn; };
    const Case cases[] = {
        { "input, remap with channels 1 and 16", 0, 0, { 4, 8, 12, 0x8001 }, true },
        { "input, stop filter, controller 127", 0, 1, { 2, 65, 128, 0x0080 }, true },
        { "input, mode 5 and controller 200 show no selection", 0, 2, { 0, 1, 0, 0xffff }, true },
        { "input, an untouched row", 0, 4, { 1, 1, 1, 0 }, true },
        { "input, last row", 0, 7, { 3, 2, 3, 0x0100 }, true },
        { "output, first row", 1, 0, { 3, 11, 21, 0x0003 }, false },
        { "output, sixth row", 1, 5, { 4, 121, 122, 0x4000 }, false },
    };

    for (const auto& c : cases)
    {
        readOut (0, c.side);
        const auto got = shownRow (c.row);

        EXPECT_EQ (got.mode, c.expected.mode) << c.what;
        EXPECT_EQ (got.controller1, c.expected.controller1) << c.what;
        EXPECT_EQ (got.controller2, c.expected.controller2) << c.what;
        EXPECT_EQ (got.mask, c.expected.mask) << c.what;
        EXPECT_EQ (mc->enableToggle.getToggleState(), c.enableOn) << c.what;
        EXPECT_EQ (mc->outToggle.getToggleState(), c.side == 1) << c.what;
    }
}

TEST_F (EditorDisplayTest, AMissingSideDisablesExactlyTheGridAndStillShowsIt)
{
    fillModel (block());

    readOut (0, 1); // port 1 has no output side
    for (auto* widget : sideWidgets())
        EXPECT_FALSE (widget->isEnabled());

    EXPECT_EQ (sideWidgets().size(), 153u);
    EXPECT_EQ (countDisabledChildren(), 153);
    EXPECT_EQ (shownRow (5).mode, 4);
    EXPECT_EQ (shownRow (5).mask, 0x4000);
    EXPECT_EQ (shownRow (0).controller2, 21);

    readOut (0, 0); // its input side is there
    EXPECT_EQ (countDisabledChildren(), 0);
}

TEST_F (EditorDisplayTest, NoPortsGivesAnEmptySelectorAndADisabledGrid)
{
    block().presetCount = 0;
    readOut (0, 0);

    EXPECT_EQ (mc->midiPortCombo.getNumItems(), 0);
    EXPECT_EQ (mc->presetCombo.getNumItems(), 0);
    EXPECT_EQ (mc->midiPortCombo.getSelectedId(), 0);
    EXPECT_EQ (countDisabledChildren(), 153);
    EXPECT_EQ (shownRow (0).mode, 1); // the empty record: mode off
}

TEST_F (EditorDisplayTest, ReportedCountsAboveCapacityListOnlyTheRecordsThatExist)
{
    for (int i = 0; i < zun::CCProcessorBlock::maxPorts; ++i)
        fillPort (block().ports[i], (uint8_t) (i + 1), zun::DIN, 0x03, "DIN", "a", "b");

    for (int j = 0; j < zun::CCProcessorBlock::maxPresets; ++j)
        block().presets[j] = { (uint8_t) (j + 1), "p" };

    block().portCount = 200;
    block().presetCount = 255;
    block().currentPreset = 32;
    readOut (95, 1);

    EXPECT_EQ (mc->midiPortCombo.getNumItems(), 96);
    EXPECT_EQ (mc->presetCombo.getNumItems(), 32);
    EXPECT_EQ (mc->midiPortCombo.getSelectedId(), 96);
    EXPECT_EQ (mc->presetCombo.getText(), juce::String ("* 32 - p"));
}

TEST_F (EditorDisplayTest, ClearingEmptiesAndDisablesTheEditorAndLeavesTheModel)
{
    fillModel (block());
    readOut (0, 1);
    ASSERT_EQ (countDisabledChildren(), 153);

    mc->clrGUI();

    EXPECT_FALSE (mc->guiPopulated);
    EXPECT_EQ (mc->midiPortCombo.getNumItems(), 0);
    EXPECT_EQ (mc->presetCombo.getNumItems(), 0);
    EXPECT_EQ (mc->midiPortCombo.getText(), juce::String());
    EXPECT_EQ (mc->presetCombo.getText(), juce::String());
    EXPECT_FALSE (mc->inToggle.getToggleState());
    EXPECT_FALSE (mc->outToggle.getToggleState());
    EXPECT_FALSE (mc->enableToggle.getToggleState());

    for (int r = 0; r < MainComponent::numRows; ++r)
    {
        const auto row = shownRow (r);
        EXPECT_EQ (row.mode + row.controller1 + row.controller2 + row.mask, 0) << "row " << r + 1;
        EXPECT_EQ (mc->modeCombos[r].getText(), juce::String()) << "row " << r + 1;
    }

    EXPECT_EQ (countDisabledChildren(), 155); // the grid, "Enable", "in" and "out"
    EXPECT_EQ (block().selectedPortIndex, 0);
    EXPECT_EQ (block().selectedSide, 1);
    EXPECT_EQ (block().ports[0].outputCCProcessors[5].controllerA, 120);
    EXPECT_EQ (block().ports[0].inputFeatureFlags, 0x09);
}

TEST_F (EditorDisplayTest, ChangeReportsAfterClearingChangeAndSendNothing)
{
    fillModel (block());
    readOut (1, 0);
    mc->clrGUI();

    // A report from each emptied selector, as the framework posts it: no item is selected.
    mc->midiPortCombo.setSelectedId (4, juce::sendNotificationAsync);
    mc->presetCombo.setSelectedId (3, juce::sendNotificationAsync);
    runMessageLoopFor (100);

    EXPECT_TRUE (device.received.empty());
    EXPECT_EQ (mc->requestState, Idle);
    EXPECT_EQ (block().selectedPortIndex, 1);
    EXPECT_EQ (block().selectedSide, 0);
    EXPECT_FALSE (mc->guiPopulated);
}
