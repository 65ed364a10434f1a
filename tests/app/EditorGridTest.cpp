#include "app/MainComponent.h"
#include "emulator/VirtualMidiService.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>
#include <set>

namespace
{
using testing_support::runMessageLoopFor;

struct EditorGridTest : public ::testing::Test
{
    VirtualMidiService service;
    MainComponent mc { service };

    // Every editor combo box and button, for the checks that hold for all of them.
    std::vector<juce::ComboBox*> allCombos()
    {
        std::vector<juce::ComboBox*> combos { &mc.midiPortCombo, &mc.presetCombo };

        for (int r = 0; r < MainComponent::numRows; ++r)
            for (auto* combo : { &mc.modeCombos[r], &mc.controller1Combos[r], &mc.controller2Combos[r] })
                combos.push_back (combo);

        return combos;
    }

    std::vector<juce::Button*> allButtons()
    {
        std::vector<juce::Button*> buttons { &mc.enableToggle, &mc.inToggle, &mc.outToggle,
                                             &mc.loadPresetButton, &mc.savePresetButton };

        for (auto& row : mc.channelToggles)
            for (auto& toggle : row)
                buttons.push_back (&toggle);

        return buttons;
    }
};

juce::String itemTextForId (const juce::ComboBox& combo, int id)
{
    for (int i = 0; i < combo.getNumItems(); ++i)
        if (combo.getItemId (i) == id)
            return combo.getItemText (i);

    return "(no item)";
}
} // namespace

TEST_F (EditorGridTest, ModeCombosHoldTheFourModesInValueOrder)
{
    struct Case { const char* what; int id; const char* text; };
    const Case cases[] = {
        { "mode 0, off", 1, "-" },
        { "mode 1", 2, "Stop Filter" },
        { "mode 2", 3, "Pass Filter" },
        { "mode 3", 4, "Remap" },
    };

    for (auto& combo : mc.modeCombos)
    {
        ASSERT_EQ (combo.getNumItems(), 4);

        for (const auto& c : cases)
            EXPECT_EQ (itemTextForId (combo, c.id), juce::String (c.text)) << c.what;
    }
}

TEST_F (EditorGridTest, ControllerCombosHoldTheNumberedNames)
{
    struct Case { const char* what; int id; const char* text; };
    const Case cases[] = {
        { "first item", 1, "000 Bank (MSB)" },
        { "an unnamed number", 4, "003 ---" },
        { "a long name", 38, "037 Portamento Time (LSB)" },
        { "first of the switches", 65, "064 Damper Pedal" },
        { "two-digit name suffix", 80, "079 Sound Controller 10" },
        { "first three-digit number", 101, "100 RPN (LSB)" },
        { "next to last", 127, "126 Mono On" },
        { "last item", 128, "127 Poly On" },
    };

    for (auto* column : { mc.controller1Combos, mc.controller2Combos })
    {
        for (int r = 0; r < MainComponent::numRows; ++r)
        {
            const auto& combo = column[r];
            ASSERT_EQ (combo.getNumItems(), 128);

            for (int i = 0; i < 128; ++i)
                EXPECT_EQ (combo.getItemId (i), i + 1) << "items in number order";

            for (const auto& c : cases)
                EXPECT_EQ (itemTextForId (combo, c.id), juce::String (c.text)) << c.what;
        }
    }
}

TEST_F (EditorGridTest, ExactlyTheUnnamedNumbersReadDashes)
{
    struct Range { int first, last; };
    const Range unnamed[] = { { 3, 3 }, { 9, 9 }, { 14, 15 }, { 20, 31 }, { 35, 35 }, { 41, 41 },
                              { 46, 47 }, { 52, 63 }, { 84, 90 }, { 102, 119 } };

    std::set<int> expected;
    for (auto range : unnamed)
        for (int n = range.first; n <= range.last; ++n)
            expected.insert (n);

    ASSERT_EQ (expected.size(), 57u);

    const auto& combo = mc.controller2Combos[7];

    for (int n = 0; n < 128; ++n)
    {
        const auto text = itemTextForId (combo, n + 1);
        const auto number = juce::String::formatted ("%03d ", n);

        EXPECT_TRUE (text.startsWith (number)) << text;
        EXPECT_EQ (text == number + "---", expected.count (n) == 1) << text;
    }
}

TEST_F (EditorGridTest, AfterConstructionNothingIsSelectedOrOnAndOnlyTheSelectorsAndPresetButtonsAreEnabled)
{
    EXPECT_EQ (mc.midiPortCombo.getNumItems(), 0);
    EXPECT_EQ (mc.presetCombo.getNumItems(), 0);

    // Until a read-out fills the editor nothing in it can be edited.
    const std::set<juce::Component*> enabled { &mc.midiPortCombo, &mc.presetCombo, &mc.loadPresetButton, &mc.savePresetButton };

    for (auto* combo : allCombos())
    {
        EXPECT_EQ (combo->getSelectedId(), 0);
        EXPECT_EQ (combo->isEnabled(), enabled.count (combo) == 1);
        EXPECT_TRUE (combo->isVisible());
        EXPECT_EQ (combo->getParentComponent(), &mc);
    }

    for (auto* button : allButtons())
    {
        EXPECT_FALSE (button->getToggleState()) << button->getButtonText();
        EXPECT_EQ (button->isEnabled(), enabled.count (button) == 1) << button->getButtonText();
        EXPECT_TRUE (button->isVisible()) << button->getButtonText();
        EXPECT_EQ (button->getParentComponent(), &mc);
    }

    EXPECT_FALSE (mc.guiPopulated);
}

TEST_F (EditorGridTest, FillingAComboBoxAgainReplacesItsItems)
{
    auto& controllers = mc.controller1Combos[2];
    mc.setControllerComboBoxItems (&controllers);
    mc.setControllerComboBoxItems (&controllers);

    auto& modes = mc.modeCombos[5];
    mc.setModeComboBoxItems (&modes);

    EXPECT_EQ (controllers.getNumItems(), 128);
    EXPECT_EQ (itemTextForId (controllers, 128), juce::String ("127 Poly On"));
    EXPECT_EQ (modes.getNumItems(), 4);
    EXPECT_EQ (itemTextForId (modes, 4), juce::String ("Remap"));
}

TEST_F (EditorGridTest, InAndOutAreOneRadioGroup)
{
    struct Case { const char* what; juce::ToggleButton* clicked; bool inOn, outOn; };
    const Case cases[] = {
        { "in clicked", &mc.inToggle, true, false },
        { "out clicked turns in off", &mc.outToggle, false, true },
        { "in clicked turns out off", &mc.inToggle, true, false },
        { "in clicked again stays on", &mc.inToggle, true, false },
    };

    // As a read-out leaves them.
    mc.inToggle.setEnabled (true);
    mc.outToggle.setEnabled (true);

    for (const auto& c : cases)
    {
        c.clicked->triggerClick();
        runMessageLoopFor (20);

        EXPECT_EQ (mc.inToggle.getToggleState(), c.inOn) << c.what;
        EXPECT_EQ (mc.outToggle.getToggleState(), c.outOn) << c.what;
        EXPECT_FALSE (mc.enableToggle.getToggleState()) << c.what;
    }
}
