#include "ChainTestRig.h"
#include "protocol/ProtocolCodes.h"

#include <gtest/gtest.h>

using namespace chain_test;

namespace
{
constexpr uint16_t productA = 0x0789;
constexpr uint32_t serialA = 0x00ABCDEF;

// The preset number a preset command carries: payload byte 10.
int commandedPreset (const EmulatedInterface::LogEntry& entry) { return entry.frame[(size_t) zun::Frame::payloadPos + 10]; }

juce::String presetItemText (juce::ComboBox& combo, int id)
{
    for (int i = 0; i < combo.getNumItems(); ++i)
        if (combo.getItemId (i) == id)
            return combo.getItemText (i);

    return {};
}
} // namespace

TEST (PresetAck, AGoodLoadReadsTheCCProcessorsAgainAndShowsTheNewCurrentPreset)
{
    Rig rig;
    auto& a = rig.addTypical (productA, serialA, "Alpha", "Pair A");
    ASSERT_TRUE (rig.searchSelectAndRead());
    auto& main = *rig.main;
    ASSERT_EQ (main.deviceContainer.block.currentPreset, 1);

    // Look at another port and side first: the re-read brings the editor back.
    main.midiPortCombo.setSelectedId (2, juce::sendNotificationSync);
    main.outToggle.triggerClick();
    testing_support::runMessageLoopFor (50);

    choosePreset (main, 3);
    const int readBefore = countReadRequests (a);
    rig.click (main.loadPresetButton);
    ASSERT_TRUE (rig.waitForReadOut());

    const auto loads = received (a, Kind::LoadPreset);
    ASSERT_EQ (loads.size(), 1u);
    EXPECT_EQ (commandedPreset (loads[0]), 3);

    // The port descriptions are read again, then both sides of every port's CC processors.
    EXPECT_EQ (countReadRequests (a) - readBefore, 30);
    EXPECT_EQ (countReceived (a, Kind::GetSettingsMIDIPortInfo), 20);
    EXPECT_EQ (countReceived (a, Kind::GetSettingsCCProcessorInfo), 40);

    const auto& block = main.deviceContainer.block;
    EXPECT_EQ (block.currentPreset, 3);
    EXPECT_EQ (block.selectedPortIndex, 0);
    EXPECT_EQ (block.selectedSide, 0);
    EXPECT_TRUE (main.inToggle.getToggleState());
    EXPECT_EQ (main.midiPortCombo.getSelectedId(), 1);
    EXPECT_EQ (main.presetCombo.getSelectedId(), 3);
    EXPECT_TRUE (presetItemText (main.presetCombo, 3).startsWith ("* 3 - "));
    EXPECT_TRUE (presetItemText (main.presetCombo, 1).startsWith ("1 - "));

    for (size_t i = 0; i < a.ports.size(); ++i)
        for (int n = 0; n < zun::maxCCProcessorsPerSide; ++n)
        {
            EXPECT_EQ (block.ports[i].inputCCProcessors[n].mode, a.ports[i].inputCCProcessors[n].mode) << i << "/" << n;
            EXPECT_EQ (block.ports[i].outputCCProcessors[n].channelMask, a.ports[i].outputCCProcessors[n].channelMask) << i << "/" << n;
        }

    EXPECT_TRUE (rig.alerts.alerts.empty());
}

TEST (PresetAck, SaveSendsTheCurrentPresetWhateverTheSelectorShows)
{
    Rig rig;
    auto& a = rig.addTypical (productA, serialA, "Alpha", "Pair A");
    a.currentPreset = 2;
    ASSERT_TRUE (rig.searchSelectAndRead());
    auto& main = *rig.main;

    choosePreset (main, 4);
    rig.click (main.savePresetButton);
    ASSERT_TRUE (testing_support::runMessageLoopUntil ([&] { return main.requestState == Idle; }, 1000));

    const auto saves = received (a, Kind::SavePreset);
    ASSERT_EQ (saves.size(), 1u);
    EXPECT_EQ (commandedPreset (saves[0]), 2);
    testing_support::runMessageLoopFor (50);
    EXPECT_TRUE (rig.alerts.alerts.empty());
}

TEST (PresetAck, NegativeAcknowledgementsShowTheirAlertAfterTheWaitEnded)
{
    enum Action { load, save, change };

    struct Case { const char* what; Action action; const char* message; };
    const Case cases[] = {
        { "load refused",   load,   "Preset could not be loaded." },
        { "save refused",   save,   "Preset could not be saved." },
        { "change refused", change, "Changes could not be made." },
    };

    for (const auto& c : cases)
    {
        Rig rig;
        auto& a = rig.addTypical (productA, serialA, "Alpha", "Pair A");
        ASSERT_TRUE (rig.searchSelectAndRead()) << c.what;
        auto& main = *rig.main;
        a.setNegativeAcknowledgement ((uint8_t) zun::AckError::CmdFailed);

        switch (c.action)
        {
            case load:   choosePreset (main, 2); rig.click (main.loadPresetButton); break;
            case save:   rig.click (main.savePresetButton); break;
            case change: changeFirstMode (main); break;
        }

        ASSERT_TRUE (waitForAlert (rig)) << c.what;
        EXPECT_EQ (rig.alerts.alerts[0].title, juce::String ("Ack Error")) << c.what;
        EXPECT_EQ (rig.alerts.alerts[0].message, juce::String (c.message)) << c.what;
        EXPECT_EQ (main.requestState, Idle) << c.what;
        EXPECT_EQ (main.deviceContainer.block.currentPreset, 1) << c.what;
        EXPECT_EQ (countReceived (a, Kind::GetSettingsCCProcessorInfo), 20) << c.what; // no re-read
    }
}

TEST (PresetAck, EachAwaitedAcknowledgementIsJudgedByItsOwnRule)
{
    enum Action { load, save, change };

    struct Case { const char* what; Action action; Kind silent; Bytes ack; const char* alert; };
    const Case cases[] = {
        { "load: a change's acknowledgement",  load,   Kind::LoadPreset, { 0x40, 0x00, 0x10, 0x00, 0x00 }, "Preset could not be loaded." },
        { "load: another data class",          load,   Kind::LoadPreset, { 0x40, 0x00, 0x11, 0x06, 0x00 }, "Preset could not be loaded." },
        { "save: an error code",               save,   Kind::SavePreset, { 0x40, 0x00, 0x11, 0x00, 0x0E }, "Preset could not be saved." },
        { "save: success",                     save,   Kind::SavePreset, { 0x40, 0x00, 0x11, 0x00, 0x00 }, "" },
        { "change: a preset command's ack",    change, Kind::SetCCProc,  { 0x40, 0x00, 0x11, 0x00, 0x00 }, "Changes could not be made." },
        { "change: any data class is good",    change, Kind::SetCCProc,  { 0x40, 0x00, 0x10, 0x33, 0x00 }, "" },
        { "change: an error code",             change, Kind::SetCCProc,  { 0x40, 0x00, 0x10, 0x06, 0x0B }, "Changes could not be made." },
    };

    for (const auto& c : cases)
    {
        Rig rig;
        auto& a = rig.addTypical (productA, serialA, "Alpha", "Pair A");
        ASSERT_TRUE (rig.searchSelectAndRead()) << c.what;
        auto& main = *rig.main;
        a.setSilentOn (c.silent);

        switch (c.action)
        {
            case load:   choosePreset (main, 2); rig.click (main.loadPresetButton); break;
            case save:   rig.click (main.savePresetButton); break;
            case change: changeFirstMode (main); break;
        }

        ASSERT_NE (main.requestState, Idle) << c.what;
        a.sendRaw (makeAcknowledgement (a, main, c.silent, c.ack));
        ASSERT_TRUE (testing_support::runMessageLoopUntil ([&] { return main.requestState == Idle; }, 1000)) << c.what;
        testing_support::runMessageLoopFor (50);

        if (juce::String (c.alert).isEmpty())
        {
            EXPECT_TRUE (rig.alerts.alerts.empty()) << c.what;
        }
        else
        {
            ASSERT_EQ (rig.alerts.alerts.size(), 1u) << c.what;
            EXPECT_EQ (rig.alerts.alerts[0].message, juce::String (c.alert)) << c.what;
        }
    }
}

TEST (PresetAck, TwoQuickChangesEachAcknowledgementAnswersItsOwn)
{
    Rig rig;
    auto& a = rig.addTypical (productA, serialA, "Alpha", "Pair A");
    ASSERT_TRUE (rig.searchSelectAndRead());
    auto& main = *rig.main;
    a.setReplyDelayMs (50.0);

    changeFirstMode (main);
    changeFirstMode (main);
    EXPECT_EQ (main.requestState, AwaitingChangeAck);

    ASSERT_TRUE (testing_support::runMessageLoopUntil ([&] { return main.requestState == Idle; }, 1000));
    testing_support::runMessageLoopFor (replyTimeoutMs + 200); // no time-out follows: both were answered

    EXPECT_EQ (countReceived (a, Kind::SetCCProc), 2);
    EXPECT_EQ (main.requestState, Idle);
    EXPECT_TRUE (rig.alerts.alerts.empty());
}
