#include "app/MainComponent.h"
#include "support/MessageLoop.h"
#include "support/RecordingDevice.h"

#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace
{
using testing_support::runMessageLoopFor;
using testing_support::runMessageLoopUntil;
using Bytes = std::vector<uint8_t>;

// The payload of a received frame: frame bytes 22 up to the checksum.
Bytes payloadOf (const juce::MidiMessage& frame)
{
    const auto* data = frame.getRawData();
    const auto size = frame.getRawDataSize();

    if (size < 24)
        return {};

    return Bytes (data + 22, data + size - 2);
}

struct EditorEditsTest : public testing_support::RecordingInterfaceTest
{
    void SetUp() override
    {
        RecordingInterfaceTest::SetUp();

        // Three ports as a read-out leaves them; the second has no output side.
        auto& b = block();
        b.portCount = 3;
        b.ccProcessorsPerSide = 8;
        b.presetCount = 2;
        b.currentPreset = 1;
        b.presets[0] = { 1, "One" };
        b.presets[1] = { 2, "Two" };

        const uint8_t directions[] = { 0x03, 0x01, 0x03 };
        for (int i = 0; i < 3; ++i)
        {
            b.ports[i].number = (uint8_t) (i + 1);
            b.ports[i].portType = zun::DIN;
            b.ports[i].directionFlags = directions[i];
            b.ports[i].defaultName = "DIN " + juce::String (i + 1);
        }

        b.ports[0].inputFeatureFlags = 0x01;
        b.ports[0].outputCCProcessors[0] = { 1, zun::StopFilter, 5, 6, 0 };
        b.ports[1].inputCCProcessors[0] = { 1, zun::PassFilter, 0, 0, 0 };
        b.ports[2].outputCCProcessors[3] = { 4, zun::Remap, 7, 11, 0x8001 };
    }

    // As the end of a read-out does it; the asynchronous reports of the refill pass first.
    void readOut (uint8_t portIndex, uint8_t side)
    {
        block().selectedPortIndex = portIndex;
        block().selectedSide = side;
        mc->setGUI();
        runMessageLoopFor (20);
        device.received.clear();
    }

    void click (juce::Button& button)
    {
        const auto before = device.received.size();
        button.triggerClick();
        runMessageLoopUntil ([&] { return device.received.size() > before; }, 100);
    }
};

// Port record index 2 (port 3), output side, row 4: Remap, controllers 7 and 11, channels 1 and 16.
const Bytes workedSetCCProc { 0x10, 0x06, 0x02, 0x07, 0x04, 0x02, 0x05, 0x03, 0x0A, 0x04, 0x0F, 0x03, 0x01,
                              0x0C, 0x13, 0x01, 0x03, 0x02, 0x02, 0x00, 0x01, 0x03, 0x07, 0x04, 0x0B };
} // namespace

TEST_F (EditorEditsTest, EachRowEditSendsTheWholeRow)
{
    struct Case
    {
        const char* what;
        std::function<void (zun::CCProcessorRecord&)> before; // the one field that differs
        std::function<void (MainComponent&)> edit;
    };

    const Case cases[] = {
        { "mode chosen", [] (auto& p) { p.mode = zun::Off; },
          [] (auto& m) { m.modeCombos[3].setSelectedId (4, juce::sendNotificationSync); } },
        { "controller 1 chosen", [] (auto& p) { p.controllerA = 0; },
          [] (auto& m) { m.controller1Combos[3].setSelectedId (8, juce::sendNotificationSync); } },
        { "controller 2 chosen", [] (auto& p) { p.controllerB = 127; },
          [] (auto& m) { m.controller2Combos[3].setSelectedId (12, juce::sendNotificationAsync); } },
        { "channel 16 switched on", [] (auto& p) { p.channelMask = 0x0001; },
          [] (auto& m) { m.channelToggles[3][15].triggerClick(); } },
        { "channel 1 switched on", [] (auto& p) { p.channelMask = 0x8000; },
          [] (auto& m) { m.channelToggles[3][0].setToggleState (true, juce::sendNotification); } },
        { "stored mode 5, no selection shown", [] (auto& p) { p.mode = 5; },
          [] (auto& m) { m.modeCombos[3].setSelectedId (4, juce::sendNotificationSync); } },
    };

    for (const auto& c : cases)
    {
        auto& record = block().ports[2].outputCCProcessors[3];
        record = { 4, zun::Remap, 7, 11, 0x8001 };
        c.before (record);
        readOut (2, 1);

        c.edit (*mc);
        runMessageLoopUntil ([&] { return ! device.received.empty(); }, 200);

        ASSERT_EQ (device.received.size(), 1u) << c.what;
        EXPECT_EQ (payloadOf (device.received[0]), workedSetCCProc) << c.what;
        EXPECT_EQ (record.mode, zun::Remap) << c.what;
        EXPECT_EQ (record.controllerA, 7) << c.what;
        EXPECT_EQ (record.controllerB, 11) << c.what;
        EXPECT_EQ (record.channelMask, 0x8001) << c.what;
        EXPECT_EQ (mc->requestState, AwaitingChangeAck) << c.what;

        mc->requestState = Idle;
    }
}

TEST_F (EditorEditsTest, ChannelBitsOnTheWire)
{
    struct Case { const char* what; int channel; Bytes maskBytes; uint16_t mask; };
    const Case cases[] = {
        { "channel 16 alone", 16, { 0x02, 0x00, 0x00 }, 0x8000 },
        { "channel 8 alone", 8, { 0x00, 0x01, 0x00 }, 0x0080 },
        { "channel 1 alone", 1, { 0x00, 0x00, 0x01 }, 0x0001 },
    };

    readOut (0, 0);

    for (const auto& c : cases)
    {
        auto& toggle = mc->channelToggles[0][c.channel - 1];

        click (toggle); // on
        ASSERT_EQ (device.received.size(), 1u) << c.what;
        const auto on = payloadOf (device.received[0]);
        EXPECT_EQ (Bytes (on.begin() + 18, on.begin() + 21), c.maskBytes) << c.what;
        EXPECT_EQ (on[14], 0x12) << c.what << ": input side";
        EXPECT_EQ (block().ports[0].inputCCProcessors[0].channelMask, c.mask) << c.what;

        click (toggle); // off again: stored and sent as well
        ASSERT_EQ (device.received.size(), 2u) << c.what;
        const auto off = payloadOf (device.received[1]);
        EXPECT_EQ (Bytes (off.begin() + 18, off.begin() + 21), Bytes ({ 0, 0, 0 })) << c.what;
        EXPECT_EQ (block().ports[0].inputCCProcessors[0].channelMask, 0) << c.what;

        device.received.clear();
    }
}

TEST_F (EditorEditsTest, EnableSendsTheSideFlagsKeepingTheOtherBits)
{
    struct Case { const char* what; uint8_t flags; Bytes payload; };
    const Case cases[] = {
        { "on", 0x09, { 0x10, 0x06, 0x02, 0x05, 0x04, 0x01, 0x05, 0x01, 0x06, 0x03, 0x01, 0x03, 0x08, 0x09 } },
        { "off again", 0x01, { 0x10, 0x06, 0x02, 0x05, 0x04, 0x01, 0x05, 0x01, 0x06, 0x03, 0x01, 0x03, 0x08, 0x01 } },
    };

    readOut (0, 0);

    for (const auto& c : cases)
    {
        click (mc->enableToggle);

        ASSERT_EQ (device.received.size(), 1u) << c.what;
        EXPECT_EQ (payloadOf (device.received[0]), c.payload) << c.what;
        EXPECT_EQ (block().ports[0].inputFeatureFlags, c.flags) << c.what;
        EXPECT_EQ (block().ports[0].outputFeatureFlags, 0) << c.what;
        EXPECT_EQ (mc->requestState, AwaitingChangeAck) << c.what;

        device.received.clear();
    }
}

TEST_F (EditorEditsTest, ChoosingTheValueAlreadyStoredSendsNothing)
{
    struct Case { const char* what; juce::ComboBox& combo; int storedId; int otherId; };
    const Case cases[] = {
        { "mode", mc->modeCombos[3], 4, 1 },
        { "controller 1", mc->controller1Combos[3], 8, 1 },
        { "controller 2", mc->controller2Combos[3], 12, 100 },
    };

    readOut (2, 1);

    for (const auto& c : cases)
    {
        // The box shows another item for a moment; the report then finds the stored value.
        c.combo.setSelectedId (c.otherId, juce::dontSendNotification);
        c.combo.setSelectedId (c.storedId, juce::sendNotificationAsync);
        runMessageLoopFor (30);

        EXPECT_TRUE (device.received.empty()) << c.what;
        EXPECT_EQ (mc->requestState, Idle) << c.what;
    }
}

TEST_F (EditorEditsTest, WhileClearedNothingIsStoredOrSent)
{
    readOut (0, 0);
    mc->clrGUI(); // as "Search" leaves the editor

    // The grid is disabled; a change report that still reaches the editor changes nothing.
    click (mc->channelToggles[1][2]);
    mc->channelToggles[1][3].setToggleState (true, juce::sendNotificationSync);
    mc->modeCombos[0].setSelectedId (3, juce::sendNotificationSync);
    click (mc->enableToggle);
    click (mc->outToggle);
    runMessageLoopFor (50);

    EXPECT_TRUE (device.received.empty());
    EXPECT_EQ (mc->requestState, Idle);
    EXPECT_FALSE (mc->channelToggles[1][2].isEnabled());
    EXPECT_EQ (block().ports[0].inputCCProcessors[1].channelMask, 0x0000);
    EXPECT_EQ (block().ports[0].inputCCProcessors[0].mode, zun::Off);
    EXPECT_EQ (block().ports[0].inputFeatureFlags, 0x01);
    EXPECT_EQ (block().selectedSide, 0);
    EXPECT_FALSE (mc->guiPopulated);
}

TEST_F (EditorEditsTest, PortSelectorSwitchesThePortShownAndSendsNothing)
{
    readOut (0, 1);
    ASSERT_EQ (mc->modeCombos[0].getSelectedId(), 2); // port 1 output side, row 1: stop filter

    mc->midiPortCombo.setSelectedId (2, juce::sendNotificationSync); // port 2: no output side
    EXPECT_EQ (block().selectedPortIndex, 1);
    EXPECT_EQ (block().selectedSide, 1);
    EXPECT_EQ (countDisabledChildren(), 153);
    EXPECT_EQ (mc->modeCombos[0].getSelectedId(), 1);

    click (mc->inToggle);
    EXPECT_EQ (block().selectedSide, 0);
    EXPECT_EQ (countDisabledChildren(), 0);
    EXPECT_EQ (mc->modeCombos[0].getSelectedId(), 3); // port 2 input side, row 1: pass filter

    mc->midiPortCombo.setSelectedId (3, juce::sendNotificationAsync);
    runMessageLoopFor (30);
    EXPECT_EQ (block().selectedPortIndex, 2);
    EXPECT_EQ (block().selectedSide, 0);

    EXPECT_TRUE (device.received.empty());
    EXPECT_EQ (mc->requestState, Idle);
}

TEST_F (EditorEditsTest, InAndOutSwitchTheSideShownAndSendNothing)
{
    readOut (0, 0);

    click (mc->outToggle);
    EXPECT_EQ (block().selectedSide, 1);
    EXPECT_EQ (mc->controller1Combos[0].getSelectedId(), 6);

    click (mc->inToggle);
    EXPECT_EQ (block().selectedSide, 0);
    EXPECT_EQ (mc->controller1Combos[0].getSelectedId(), 1);

    EXPECT_TRUE (device.received.empty());
    EXPECT_EQ (mc->requestState, Idle);
}

TEST_F (EditorEditsTest, PresetSelectorSendsNothing)
{
    readOut (0, 0);

    mc->presetCombo.setSelectedId (2, juce::sendNotificationSync);
    runMessageLoopFor (30);

    EXPECT_TRUE (device.received.empty());
    EXPECT_EQ (mc->requestState, Idle);
    EXPECT_EQ (block().currentPreset, 1);
}

TEST_F (EditorEditsTest, ASelectedIndexPastTheModelShowsNothingAndSendsNothing)
{
    readOut (200, 0); // no record has this index; a corrupt selection must not reach past the array

    EXPECT_EQ (mc->midiPortCombo.getSelectedId(), 0);
    EXPECT_EQ (countDisabledChildren(), 153);

    // Reports arrive even for disabled widgets when set programmatically with notification.
    mc->channelToggles[0][0].setToggleState (true, juce::sendNotification);
    mc->modeCombos[0].setSelectedId (4, juce::sendNotificationSync);
    mc->enableToggle.setToggleState (true, juce::sendNotification);
    runMessageLoopFor (30);

    EXPECT_TRUE (device.received.empty());
    EXPECT_EQ (mc->requestState, Idle);
}
