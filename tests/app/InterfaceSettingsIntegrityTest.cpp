#include "ChainTestRig.h"
#include "protocol/RequestTemplates.h"

#include <functional>
#include <gtest/gtest.h>

using namespace chain_test;

namespace
{
using testing_support::runMessageLoopFor;
using testing_support::runMessageLoopUntil;

// A user's change of row 1's mode to the next mode.
void changeFirstMode (MainComponent& main)
{
    main.modeCombos[0].setSelectedId (main.modeCombos[0].getSelectedId() % 4 + 1, juce::sendNotificationSync);
}

// Everything a user may try on the editor's first row, at once: a click on a channel toggle (which
// a disabled toggle ignores), and change reports of a toggle and a mode combo box that reach the
// editor whether or not it is enabled.
void tryToEdit (MainComponent& main)
{
    auto flip = [] (juce::Button& toggle) { toggle.setToggleState (! toggle.getToggleState(), juce::sendNotificationSync); };

    if (main.channelToggles[0][4].isEnabled())
        flip (main.channelToggles[0][4]);

    flip (main.channelToggles[0][5]);
    changeFirstMode (main);
}

// Blocks the message thread for a while, as a pause or an alert does: what the interface answers
// meanwhile waits in the message queue.
void blockMessageThread() { juce::Thread::sleep (100); }

// Whether the model holds exactly the CC processors that the interface holds.
bool modelMatchesInterface (const zun::CCProcessorBlock& block, const EmulatedInterface& emulated)
{
    const juce::ScopedLock sl (emulated.lock);
    auto same = [] (const zun::CCProcessorRecord& a, const zun::CCProcessorRecord& b)
    { return a.mode == b.mode && a.controllerA == b.controllerA && a.controllerB == b.controllerB && a.channelMask == b.channelMask; };

    for (size_t i = 0; i < emulated.ports.size(); ++i)
    {
        const auto& mine = block.ports[i];
        const auto& theirs = emulated.ports[i];

        for (int n = 0; n < zun::maxCCProcessorsPerSide; ++n)
            if (! same (mine.inputCCProcessors[n], theirs.inputCCProcessors[n]) || ! same (mine.outputCCProcessors[n], theirs.outputCCProcessors[n]))
                return false;
    }

    return true;
}

juce::StringArray alertMessages (const Rig& rig)
{
    juce::StringArray messages;

    for (const auto& alert : rig.alerts.alerts)
        messages.add (alert.message);

    return messages;
}

constexpr int preset3 = 3; // the typical interface's third preset switches every CC processor off
} // namespace

// An edit, a selection or a quick second command at each moment where the interface's settings were
// overwritten or misreported. Whenever the editor ends filled, it shows what the interface holds, its
// current preset included; every refusal is reported; an edit the editor did not accept is not sent.
TEST (InterfaceSettingsIntegrity, EditsSelectionsAndAcknowledgementsAtEveryDangerousMoment)
{
    using Act = std::function<void (Rig&, EmulatedInterface&)>;
    enum Editor { readOut, keptAsItWas, empty };

    auto load = [] (Rig& rig)
    {
        rig.main->presetCombo.setSelectedId (preset3, juce::sendNotificationSync);
        rig.click (rig.main->loadPresetButton);
    };

    struct Case
    {
        const char* what;
        Act act;
        juce::StringArray alerts;
        int changesSent;
        Editor editor;
        int currentPreset;
    };

    const Case cases[] = {
        { "an edit queued during the pause after a load",
          [&] (Rig& rig, EmulatedInterface&)
          {
              load (rig);
              blockMessageThread(); // the acknowledgement is queued now; the edit goes behind it
              juce::MessageManager::callAsync ([&rig] { tryToEdit (*rig.main); });
          },
          {}, 0, readOut, preset3 },

        { "an edit during the re-read",
          [&] (Rig& rig, EmulatedInterface&)
          {
              load (rig);
              ASSERT_TRUE (rig.waitForState (AwaitingCCProcessorInfo));
              tryToEdit (*rig.main);
          },
          {}, 0, readOut, preset3 },

        { "an edit before the load's acknowledgement",
          [&] (Rig& rig, EmulatedInterface&)
          {
              load (rig);
              tryToEdit (*rig.main);
          },
          {}, 0, readOut, preset3 },

        { "a change, then a load before the change's acknowledgement",
          [&] (Rig& rig, EmulatedInterface&)
          {
              changeFirstMode (*rig.main);
              load (rig);
          },
          {}, 1, readOut, preset3 },

        { "two quick changes, the second refused",
          [] (Rig& rig, EmulatedInterface& a)
          {
              a.setSilentOn (Kind::SetCCProc);
              changeFirstMode (*rig.main);
              changeFirstMode (*rig.main);
              const auto session = rig.main->deviceContainer.sysexMessage.sessionId;
              a.sendRaw (makeReply (a, session, { 0x40, 0x00, 0x10, 0x00, 0x00 }));
              a.sendRaw (makeReply (a, session, { 0x40, 0x00, 0x10, 0x00, 0x0B }), 10.0);
              ASSERT_TRUE (runMessageLoopUntil ([&] { return rig.main->requestState == Idle; }, 1000));
          },
          { "Changes could not be made." }, 2, keptAsItWas, 1 },

        { "an edit during a read, after the record it lands in was read",
          [] (Rig& rig, EmulatedInterface&)
          {
              auto& main = *rig.main;
              rig.click (main.getSettingsButton);
              const std::function<bool()> readingOutputSides = [&]
              { return main.requestState == AwaitingCCProcessorInfo && main.deviceContainer.ccParmId == zun::ParmId::OutputCCProcessor; };
              ASSERT_TRUE (runMessageLoopUntil (readingOutputSides, 3000));
              tryToEdit (main);
          },
          {}, 0, readOut, 1 },

        { "another row selected during a read, with a reply already queued",
          [] (Rig& rig, EmulatedInterface&)
          {
              auto& main = *rig.main;
              rig.click (main.getSettingsButton);
              ASSERT_TRUE (rig.waitForState (AwaitingPortInfo));
              blockMessageThread();
              const auto portsRead = main.deviceContainer.requestCursor;
              rig.select (1);
              runMessageLoopFor (100);
              tryToEdit (main);
              EXPECT_EQ (main.requestState, Idle);
              EXPECT_EQ (main.deviceContainer.requestCursor, portsRead);
          },
          {}, 0, empty, 1 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        Rig rig;
        auto& a = rig.addTypical (0x0789, 0x00ABCDEF, "Alpha", "Pair A");
        rig.addTypical (0x0789, 0x00ABCDF0, "Beta", "Pair B");
        ASSERT_TRUE (rig.searchSelectAndRead());
        auto& main = *rig.main;
        a.setReplyDelayMs (20.0); // every moment of an exchange lasts long enough to be met

        c.act (rig, a);

        if (c.editor == readOut)
        {
            ASSERT_TRUE (rig.waitForReadOut());
        }

        runMessageLoopFor (100);
        EXPECT_EQ (alertMessages (rig), c.alerts);
        EXPECT_EQ (countReceived (a, Kind::SetCCProc), c.changesSent);
        EXPECT_EQ (main.guiPopulated, c.editor != empty);
        EXPECT_EQ (main.deviceContainer.block.currentPreset, c.currentPreset);

        if (c.editor == readOut)
        {
            EXPECT_EQ (a.currentPreset, c.currentPreset);
            EXPECT_EQ (main.presetCombo.getSelectedId(), c.currentPreset);
            EXPECT_TRUE (modelMatchesInterface (main.deviceContainer.block, a));
        }
    }
}

// An interface with serial number 0 loads and saves presets; no preset command goes out before a
// read has given the current preset; ports whose names are empty are read.
TEST (InterfaceSettingsIntegrity, SerialZeroPresetsBeforeTheCurrentPresetAndEmptyPortNames)
{
    {
        SCOPED_TRACE ("serial number 0");
        Rig rig;
        auto& a = rig.addTypical (0x0000, 0x00000000, "Zero", "Pair Z");
        ASSERT_TRUE (rig.searchSelectAndRead());
        auto& main = *rig.main;

        main.presetCombo.setSelectedId (2, juce::sendNotificationSync);
        rig.click (main.loadPresetButton);
        ASSERT_TRUE (rig.waitForReadOut());
        rig.click (main.savePresetButton);
        ASSERT_TRUE (rig.waitForState (Idle));

        EXPECT_EQ (countReceived (a, Kind::LoadPreset), 1);
        EXPECT_EQ (countReceived (a, Kind::SavePreset), 1);
        EXPECT_EQ (a.currentPreset, 2);
        EXPECT_TRUE (rig.alerts.alerts.empty());
    }

    {
        SCOPED_TRACE ("no current preset yet");
        Rig rig;
        auto& a = rig.addTypical (0x0789, 0x00ABCDEF, "Alpha", "Pair A");
        a.setSilentOn (Kind::GetSettingsDF);
        ASSERT_TRUE (rig.search());
        rig.click (rig.main->savePresetButton); // after "Search"
        rig.select (0);
        rig.click (rig.main->getSettingsButton);
        ASSERT_TRUE (rig.waitForState (AwaitingDeviceFeature));
        rig.click (rig.main->savePresetButton); // the device-feature reply never comes
        runMessageLoopFor (50);

        EXPECT_EQ (countReceived (a, Kind::SavePreset), 0);
        EXPECT_EQ (rig.main->requestState, AwaitingDeviceFeature);
    }

    {
        SCOPED_TRACE ("empty port names");
        Rig rig;
        auto& a = rig.addTypical (0x0789, 0x00ABCDEF, "Alpha", "Pair A", 3, 2);
        a.ports[0].inputName = {};
        a.ports[0].outputName = {};      // a port-info reply of 31 bytes
        a.ports[1].inputName = {};
        a.ports[1].outputName = "K";     // 32 bytes
        ASSERT_TRUE (rig.searchSelectAndRead());

        const auto& ports = rig.main->deviceContainer.block.ports;
        EXPECT_EQ (ports[0].inputName + "|" + ports[0].outputName, "|");
        EXPECT_EQ (ports[1].inputName + "|" + ports[1].outputName, "|K");
        EXPECT_EQ (ports[2].inputName, a.ports[2].inputName);
        EXPECT_TRUE (rig.alerts.alerts.empty());
    }
}
