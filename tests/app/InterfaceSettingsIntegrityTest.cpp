#include "ChainTestRig.h"
#include "protocol/ProtocolCodes.h"
#include "protocol/RequestTemplates.h"

#include <functional>
#include <gtest/gtest.h>

using namespace chain_test;
using testing_support::runMessageLoopFor;
using testing_support::runMessageLoopUntil;

namespace
{
constexpr int preset3 = 3; // the typical interface's third preset switches every CC processor off
const char* const timeOut = "Something went wrong, was expecting a message from interface but did not receive one.";

// All at once on the first row: a click on a channel toggle (a disabled toggle takes none), and
// change reports of a toggle and a mode combo box, which reach the editor even when disabled.
void tryToEdit (MainComponent& main)
{
    auto flip = [] (juce::Button& toggle) { toggle.setToggleState (! toggle.getToggleState(), juce::sendNotificationSync); };

    if (main.channelToggles[0][4].isEnabled())
        flip (main.channelToggles[0][4]);

    flip (main.channelToggles[0][5]);
    changeFirstMode (main);
}

void loadPreset3 (Rig& rig)
{
    choosePreset (*rig.main, preset3);
    rig.click (rig.main->loadPresetButton);
}

bool modelHoldsTheInterfacesCCProcessors (const zun::CCProcessorBlock& block, const EmulatedInterface& emulated)
{
    const juce::ScopedLock sl (emulated.lock);

    for (size_t i = 0; i < emulated.ports.size(); ++i)
        for (int n = 0; n < zun::maxCCProcessorsPerSide; ++n)
            for (auto [mine, theirs] : { std::make_pair (block.ports[i].inputCCProcessors[n], emulated.ports[i].inputCCProcessors[n]),
                                         std::make_pair (block.ports[i].outputCCProcessors[n], emulated.ports[i].outputCCProcessors[n]) })
                if (mine.mode != theirs.mode || mine.controllerA != theirs.controllerA || mine.controllerB != theirs.controllerB
                    || mine.channelMask != theirs.channelMask)
                    return false;

    return true;
}
} // namespace

// An edit, a selection or a quick second command at each moment where an interface's settings were
// overwritten or misreported. Whenever the editor ends filled it shows what the interface holds,
// its current preset included; every refusal is reported; an edit the editor did not take is not sent.
TEST (InterfaceSettingsIntegrity, EditsSelectionsAndAcknowledgementsAtEveryDangerousMoment)
{
    enum Editor { readOut, keptAsItWas, empty };

    struct Case
    {
        const char* what;
        std::function<void (Rig&, EmulatedInterface&)> act;
        juce::StringArray alerts;
        int changesSent;
        Editor editor;
        int currentPreset;
    };

    const Case cases[] = {
        { "an edit and a save during the pause after a load", [] (Rig& rig, EmulatedInterface&)
          {
              loadPreset3 (rig);
              ASSERT_TRUE (runMessageLoopUntil ([&rig] { return rig.main->pendingPause != Pause::none; }, 3000));
              tryToEdit (*rig.main);
              rig.click (rig.main->savePresetButton);
          },
          {}, 0, readOut, preset3 },
        { "an edit during the re-read", [] (Rig& rig, EmulatedInterface&)
          {
              loadPreset3 (rig);
              ASSERT_TRUE (rig.waitForState (AwaitingCCProcessorInfo));
              tryToEdit (*rig.main);
          },
          {}, 0, readOut, preset3 },
        { "an edit before the load's acknowledgement", [] (Rig& rig, EmulatedInterface&) { loadPreset3 (rig); tryToEdit (*rig.main); },
          {}, 0, readOut, preset3 },
        { "a change, then a load before the change's acknowledgement", [] (Rig& rig, EmulatedInterface&) { changeFirstMode (*rig.main); loadPreset3 (rig); },
          {}, 1, readOut, preset3 },
        { "a save before the load's acknowledgement", [] (Rig& rig, EmulatedInterface&) { loadPreset3 (rig); rig.click (rig.main->savePresetButton); },
          {}, 0, readOut, preset3 },
        { "a refused load", [] (Rig& rig, EmulatedInterface& a)
          {
              a.setNegativeAcknowledgement ((uint8_t) zun::AckError::CmdFailed);
              loadPreset3 (rig);
              ASSERT_TRUE (waitForAlert (rig));
          },
          { "Preset could not be loaded." }, 0, keptAsItWas, 1 },
        { "a load never acknowledged, then a save", [] (Rig& rig, EmulatedInterface& a)
          {
              a.setSilentOn (Kind::LoadPreset);
              loadPreset3 (rig);
              ASSERT_TRUE (waitForAlert (rig));
              rig.click (rig.main->savePresetButton);
          },
          { timeOut }, 0, empty, 0 },
        { "a change never acknowledged, then a load", [] (Rig& rig, EmulatedInterface& a)
          {
              a.setSilentOn (Kind::SetCCProc);
              changeFirstMode (*rig.main);
              loadPreset3 (rig);
              ASSERT_TRUE (waitForAlert (rig));
          },
          { timeOut }, 1, empty, 0 },
        { "two quick changes, the second refused", [] (Rig& rig, EmulatedInterface& a)
          {
              a.setSilentOn (Kind::SetCCProc);
              changeFirstMode (*rig.main);
              const auto first = makeAcknowledgement (a, *rig.main, Kind::SetCCProc, { 0x40, 0x00, 0x10, 0x00, 0x00 });
              changeFirstMode (*rig.main);
              a.sendRaw (first);
              a.sendRaw (makeAcknowledgement (a, *rig.main, Kind::SetCCProc, { 0x40, 0x00, 0x10, 0x00, 0x0B }), 10.0);
              ASSERT_TRUE (rig.waitForState (Idle));
          },
          { "Changes could not be made." }, 2, keptAsItWas, 1 },
        { "a change acknowledged after its time-out, then a load", [] (Rig& rig, EmulatedInterface& a)
          {
              a.setSilentOn (Kind::SetCCProc);
              changeFirstMode (*rig.main);
              ASSERT_TRUE (waitForAlert (rig));
              const auto late = makeAcknowledgement (a, *rig.main, Kind::SetCCProc, { 0x40, 0x00, 0x10, 0x00, 0x00 });
              loadPreset3 (rig);
              a.sendRaw (late); // before the load's own acknowledgement
          },
          { timeOut }, 1, readOut, preset3 },
        { "a change acknowledged after its time-out, then a refused change", [] (Rig& rig, EmulatedInterface& a)
          {
              a.setSilentOn (Kind::SetCCProc);
              changeFirstMode (*rig.main);
              ASSERT_TRUE (waitForAlert (rig));
              const auto late = makeAcknowledgement (a, *rig.main, Kind::SetCCProc, { 0x40, 0x00, 0x10, 0x00, 0x00 });
              a.setSilentOn (Kind::SetCCProc, false);
              a.setNegativeAcknowledgement ((uint8_t) zun::AckError::CmdFailed);
              changeFirstMode (*rig.main);
              a.sendRaw (late);
              ASSERT_TRUE (rig.waitForState (Idle));
          },
          { timeOut, "Changes could not be made." }, 2, keptAsItWas, 1 },
        { "a load abandoned by choosing another row and then this one, then a save", [] (Rig& rig, EmulatedInterface&)
          {
              loadPreset3 (rig);
              rig.select (1);
              rig.select (0);
              rig.click (rig.main->savePresetButton);
          },
          {}, 0, empty, 0 },
        { "a load of a preset that stores other feature flags, then Enable", [] (Rig& rig, EmulatedInterface& a)
          {
              {
                  const juce::ScopedLock sl (a.lock);
                  a.presets[1].storedPorts[0].inputFeatureFlags = 0x02; // not enabled, another bit set
              }

              choosePreset (*rig.main, 2);
              rig.click (rig.main->loadPresetButton);
              ASSERT_TRUE (rig.waitForReadOut());
              EXPECT_FALSE (rig.main->enableToggle.getToggleState());
              rig.click (rig.main->enableToggle);
              ASSERT_TRUE (rig.waitForState (Idle));
              const juce::ScopedLock sl (a.lock);
              EXPECT_EQ (a.ports[0].inputFeatureFlags, 0x0A);
          },
          {}, 0, readOut, 2 },
        { "an edit during a read, after the record it lands in was read", [] (Rig& rig, EmulatedInterface&)
          {
              auto& main = *rig.main;
              rig.click (main.getSettingsButton);
              const std::function<bool()> readingOutputSides = [&]
              { return main.requestState == AwaitingCCProcessorInfo && main.deviceContainer.ccParmId == zun::ParmId::OutputCCProcessor; };
              ASSERT_TRUE (runMessageLoopUntil (readingOutputSides, 3000));
              tryToEdit (main);
          },
          {}, 0, readOut, 1 },
        { "another row selected during a read, with a reply already queued", [] (Rig& rig, EmulatedInterface&)
          {
              auto& main = *rig.main;
              rig.click (main.getSettingsButton);
              ASSERT_TRUE (rig.waitForState (AwaitingPortInfo));
              juce::Thread::sleep (100); // the port-info reply is queued now
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
        juce::StringArray alerts;

        for (const auto& alert : rig.alerts.alerts)
            alerts.add (alert.message);

        EXPECT_EQ (alerts, c.alerts);
        EXPECT_EQ (countReceived (a, Kind::SetCCProc), c.changesSent);
        EXPECT_EQ (countReceived (a, Kind::SavePreset), 0);
        EXPECT_EQ (main.guiPopulated, c.editor != empty);
        EXPECT_EQ (main.deviceContainer.block.currentPreset, c.currentPreset);

        if (c.editor == readOut)
        {
            EXPECT_EQ (a.currentPreset, c.currentPreset);
            EXPECT_EQ (main.presetCombo.getSelectedId(), c.currentPreset);
            EXPECT_TRUE (modelHoldsTheInterfacesCCProcessors (main.deviceContainer.block, a));
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
        choosePreset (*rig.main, 2);
        rig.click (rig.main->loadPresetButton);
        ASSERT_TRUE (rig.waitForReadOut());
        rig.click (rig.main->savePresetButton);
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

        EXPECT_EQ (countReceived (a, Kind::SavePreset), 0);
        EXPECT_EQ (rig.main->requestState, AwaitingDeviceFeature);
    }

    {
        SCOPED_TRACE ("empty port names");
        Rig rig;
        auto& a = rig.addTypical (0x0789, 0x00ABCDEF, "Alpha", "Pair A", 3, 2);
        a.ports[0].inputName = a.ports[0].outputName = {}; // a port-info reply of 31 bytes
        a.ports[1].inputName = {};
        a.ports[1].outputName = "K"; // 32 bytes
        ASSERT_TRUE (rig.searchSelectAndRead());

        const auto& ports = rig.main->deviceContainer.block.ports;
        EXPECT_EQ (ports[0].inputName + "|" + ports[0].outputName, "|");
        EXPECT_EQ (ports[1].inputName + "|" + ports[1].outputName, "|K");
        EXPECT_EQ (ports[2].inputName, a.ports[2].inputName);
    }
}
