#include "app/MainComponent.h"
#include "emulator/VirtualMidiService.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

namespace
{
// A device that only counts what reaches it.
struct CountingDevice : public VirtualMidiService::Device
{
    void receivedFromApplication (int, const juce::MidiMessage&) override { ++received; }
    std::atomic<int> received { 0 };
};

struct WindowLayoutTest : public ::testing::Test
{
    WindowLayoutTest()
    {
        pair = service.addPortPair ("Loopback", &device);
        component = std::make_unique<MainComponent> (service);
    }

    VirtualMidiService service;
    CountingDevice device;
    int pair = -1;
    std::unique_ptr<MainComponent> component;
};

// The bounds that do not follow the window's size.
struct FixedCase
{
    const char* what;
    juce::Component* widget;
    juce::Rectangle<int> expected;
};

std::vector<FixedCase> fixedCases (MainComponent& m)
{
    std::vector<FixedCase> cases = {
        { "device list", m.deviceSelector.get(), { 10, 46, 240, 132 } },
        { "Search", &m.searchButton, { 120, 10, 100, 24 } },
        { "Get Settings", &m.getSettingsButton, { 10, 188, 100, 24 } },
        { "Show MIDI Messages", &m.showMidiMessagesToggle, { 258, 10, 160, 24 } },
        { "Clear Log", &m.clearLogButton, { 426, 10, 100, 24 } },
        { "MIDI Port label", &m.midiPortLabel, { 130, 188, 72, 24 } },
        { "port selector", &m.midiPortCombo, { 202, 188, 374, 24 } },
        { "Preset label", &m.presetLabel, { 586, 188, 52, 24 } },
        { "preset selector", &m.presetCombo, { 642, 188, 164, 24 } },
        { "Load Preset", &m.loadPresetButton, { 814, 188, 100, 24 } },
        { "Save Preset", &m.savePresetButton, { 920, 188, 100, 24 } },
        { "Enable", &m.enableToggle, { 10, 218, 80, 24 } },
        { "in", &m.inToggle, { 130, 218, 40, 24 } },
        { "out", &m.outToggle, { 170, 218, 48, 24 } },
        { "Proc # header", &m.procHeaderLabel, { 10, 248, 50, 24 } },
        { "Mode header", &m.modeHeaderLabel, { 60, 248, 124, 24 } },
        { "Controller 1 header", &m.controller1HeaderLabel, { 620, 248, 200, 24 } },
        { "Controller 2 header", &m.controller2HeaderLabel, { 820, 248, 200, 24 } },
    };

    // The grid as the layout lists it: rows 30 apart from 278, channel columns in groups of four.
    const int rowY[] = { 278, 308, 338, 368, 398, 428, 458, 488 };
    const int channelX[] = { 192, 216, 240, 264, 300, 324, 348, 372, 408, 432, 456, 480, 516, 540, 564, 588 };

    for (int c = 0; c < 16; ++c)
        cases.push_back ({ "channel header", &m.channelHeaderLabels[c], { channelX[c], 248, 24, 24 } });

    for (int p = 0; p < 8; ++p)
    {
        cases.push_back ({ "row number", &m.procNumberLabels[p], { 10, rowY[p], 50, 24 } });
        cases.push_back ({ "mode", &m.modeCombos[p], { 60, rowY[p], 124, 24 } });
        cases.push_back ({ "controller 1", &m.controller1Combos[p], { 620, rowY[p], 200, 24 } });
        cases.push_back ({ "controller 2", &m.controller2Combos[p], { 820, rowY[p], 200, 24 } });

        for (int c = 0; c < 16; ++c)
            cases.push_back ({ "channel toggle", &m.channelToggles[p][c], { channelX[c], rowY[p], 24, 24 } });
    }

    return cases;
}
} // namespace

TEST_F (WindowLayoutTest, LayoutFollowsTheWidthOnlyWhereItShould)
{
    struct Case
    {
        const char* what;
        int width, height;
        juce::Rectangle<int> heading, version, monitor;
    };

    const Case cases[] = {
        { "default size", 1032, 528, { 10, 10, 496, 24 }, { 982, 10, 44, 24 }, { 258, 46, 764, 132 } },
        { "odd width rounds the half down", 1033, 528, { 10, 10, 496, 24 }, { 983, 10, 44, 24 }, { 258, 46, 765, 132 } },
        { "wide and tall", 1600, 900, { 10, 10, 780, 24 }, { 1550, 10, 44, 24 }, { 258, 46, 1332, 132 } },
        { "monitor just gone", 268, 528, { 10, 10, 114, 24 }, { 218, 10, 44, 24 }, { 258, 46, 0, 132 } },
        { "narrow and short: negative widths count as zero", 30, 100, { 10, 10, 0, 24 }, { -20, 10, 44, 24 }, { 258, 46, 0, 132 } },
    };

    const auto fixed = fixedCases (*component);

    for (const auto& c : cases)
    {
        component->setSize (c.width, c.height);

        EXPECT_EQ (component->selectInterfaceLabel.getBounds(), c.heading) << c.what;
        EXPECT_EQ (component->versionLabel.getBounds(), c.version) << c.what;
        EXPECT_EQ (component->messageLog.getBounds(), c.monitor) << c.what;

        for (const auto& f : fixed)
            EXPECT_EQ (f.widget->getBounds(), f.expected) << c.what << ": " << f.what;
    }
}

TEST_F (WindowLayoutTest, ChildrenStackInTheOrderTheyWereAdded)
{
    auto& m = *component;
    std::vector<juce::Component*> expected = { &m.selectInterfaceLabel, &m.versionLabel, &m.searchButton, &m.clearLogButton,
                                               &m.getSettingsButton, &m.showMidiMessagesToggle, &m.messageLog, m.deviceSelector.get(),
                                               &m.midiPortLabel, &m.presetLabel, &m.midiPortCombo, &m.presetCombo, &m.enableToggle,
                                               &m.inToggle, &m.outToggle, &m.loadPresetButton, &m.savePresetButton,
                                               &m.procHeaderLabel, &m.modeHeaderLabel };

    for (auto& label : m.channelHeaderLabels)
        expected.push_back (&label);
    expected.push_back (&m.controller1HeaderLabel);
    expected.push_back (&m.controller2HeaderLabel);
    for (auto& label : m.procNumberLabels)
        expected.push_back (&label);
    for (auto& combo : m.modeCombos)
        expected.push_back (&combo);
    for (auto& combo : m.controller1Combos)
        expected.push_back (&combo);
    for (auto& combo : m.controller2Combos)
        expected.push_back (&combo);
    for (auto& row : m.channelToggles)
        for (auto& toggle : row)
            expected.push_back (&toggle);

    ASSERT_EQ (m.getNumChildComponents(), (int) expected.size());

    for (int i = 0; i < (int) expected.size(); ++i)
    {
        EXPECT_EQ (m.getChildComponent (i), expected[(size_t) i]) << "child " << i;
        EXPECT_TRUE (expected[(size_t) i]->isVisible()) << "child " << i;
    }
}

TEST_F (WindowLayoutTest, TopRowWidgetsTakeTheClicksOverTheLabels)
{
    struct Case
    {
        const char* what;
        int width;
        juce::Point<int> point;
        juce::Component* expected;
    };

    auto& m = *component;
    const Case cases[] = {
        { "Search over the heading", 1032, { 130, 20 }, &m.searchButton },
        { "toggle over the heading", 1032, { 300, 20 }, &m.showMidiMessagesToggle },
        { "Clear Log over the heading", 1032, { 500, 20 }, &m.clearLogButton },
        { "heading where nothing covers it", 1032, { 110, 20 }, &m.selectInterfaceLabel },
        { "Clear Log over the version label", 500, { 460, 20 }, &m.clearLogButton },
        { "version label at the right edge", 1032, { 1000, 20 }, &m.versionLabel },
    };

    component->setVisible (true);

    for (const auto& c : cases)
    {
        component->setSize (c.width, 528);
        EXPECT_EQ (component->getComponentAt (c.point), c.expected) << c.what;
    }
}

TEST_F (WindowLayoutTest, EveryLabelHasTheCommonStyle)
{
    auto& m = *component;
    std::vector<std::pair<juce::Label*, float>> labels = { { &m.selectInterfaceLabel, 15.0f }, { &m.versionLabel, 12.0f }, { &m.midiPortLabel, 15.0f }, { &m.presetLabel, 15.0f }, { &m.procHeaderLabel, 15.0f }, { &m.modeHeaderLabel, 15.0f }, { &m.controller1HeaderLabel, 15.0f }, { &m.controller2HeaderLabel, 15.0f } };
    for (auto& label : m.channelHeaderLabels)
        labels.push_back ({ &label, 15.0f });
    for (auto& label : m.procNumberLabels)
        labels.push_back ({ &label, 15.0f });

    ASSERT_EQ (labels.size(), 32u);

    for (auto& [label, height] : labels)
    {
        const auto name = label->getText().toStdString();
        EXPECT_FLOAT_EQ (label->getFont().getHeight(), height) << name;
        EXPECT_EQ (label->getFont().getStyleFlags(), (int) juce::Font::plain) << name;
        EXPECT_EQ (label->getJustificationType().getFlags(), 33) << name;
        EXPECT_FALSE (label->isEditableOnSingleClick()) << name;
        EXPECT_FALSE (label->isEditableOnDoubleClick()) << name;
        EXPECT_FALSE (label->doesLossOfFocusDiscardChanges()) << name;
        EXPECT_EQ (label->findColour (juce::TextEditor::textColourId).getARGB(), 0xff000000u) << name;
        EXPECT_EQ (label->findColour (juce::TextEditor::backgroundColourId).getARGB(), 0x00000000u) << name;
        EXPECT_EQ (label->getParentComponent(), &m) << name;
    }
}

TEST_F (WindowLayoutTest, ConstructionOpensNothingAndSendsNothing)
{
    // Let the change reports that construction leaves pending arrive first.
    testing_support::runMessageLoopFor (100);

    auto& m = *component;
    EXPECT_EQ (m.getWidth(), 1032);
    EXPECT_EQ (m.getHeight(), 528);
    EXPECT_EQ (m.selectInterfaceLabel.getText(), "Select Interface");
    EXPECT_EQ (m.versionLabel.getText(), "V6 P15");
    EXPECT_EQ (m.searchButton.getButtonText(), "Search");
    EXPECT_EQ (m.clearLogButton.getButtonText(), "Clear Log");
    EXPECT_EQ (m.getSettingsButton.getButtonText(), "Get Settings");
    EXPECT_EQ (m.showMidiMessagesToggle.getButtonText(), "Show MIDI Messages");
    EXPECT_FALSE (m.showMidiMessagesToggle.getToggleState());
    EXPECT_EQ (m.deviceSelector->getName(), "Device Selector");
    EXPECT_EQ (m.deviceSelector->getNumRows(), 0);
    EXPECT_EQ (m.midiInputs.size(), 0);
    EXPECT_EQ (m.midiOutputs.size(), 0);
    EXPECT_EQ (m.requestState, Idle);
    EXPECT_EQ (m.logLineCount, 1);
    EXPECT_FALSE (m.guiPopulated);
    EXPECT_EQ (m.messageLog.getNumLines(), 0);

    EXPECT_EQ (service.getNumOpenInputs (pair), 0);
    EXPECT_EQ (service.getNumOpenOutputs (pair), 0);
    EXPECT_EQ (device.received.load(), 0);
}
