#include "ChainTestRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

using namespace chain_test;

namespace
{
constexpr uint16_t productA = 0x0456;
constexpr uint32_t serialA = 0x0C0FFEE0;

constexpr int payloadPos = zun::Frame::payloadPos;

// The number a read request asks for: payload byte 7 (preset, port).
int askedNumber (const EmulatedInterface::LogEntry& entry) { return entry.frame[(size_t) payloadPos + 7]; }
// The side a CC-processor read request asks for: payload byte 13.
int askedParm (const EmulatedInterface::LogEntry& entry)   { return entry.frame[(size_t) payloadPos + 13]; }

// 43 03 02; 05 04 01 09 [preset]; [block length] 03 01 [item]
Bytes presetNamePayload (uint8_t preset, const Bytes& item)
{
    return Bytes { 0x43, 0x03, 0x02, 0x05, 0x04, 0x01, 0x09, preset, (uint8_t) (item.size() + 3), 0x03, 0x01 } + item;
}

// 43 06 02; 05 04 01 05 [port]; [block length] 03 07; type, jacks, sides, flags; then `names`.
Bytes portInfoPayload (uint8_t port, const Bytes& names)
{
    return Bytes { 0x43, 0x06, 0x02, 0x05, 0x04, 0x01, 0x05, port, (uint8_t) ((19 + names.size()) & 0x7F), 0x03, 0x07,
                   0x03, 0x01, zun::DIN, 0x04, 0x02, 0x00, 0x04, 0x03, 0x05, 0x03, 0x03, 0x08, 0x08, 0x03, 0x09, 0x00 }
           + names;
}

Bytes text (int length, uint8_t letter = 'n')
{
    return Bytes ((size_t) length, letter);
}

// 43 06 10, then eight CC processors: numbers[k], mode k, mask bytes, controllers 10 + k, 20 + k.
Bytes ccPayload (uint8_t port, uint8_t parm, const std::array<uint8_t, 8>& numbers, Bytes mask = { 0x00, 0x01, 0x02 })
{
    Bytes payload { 0x43, 0x06, 0x10 };

    for (int k = 0; k < 8; ++k)
    {
        if (k == 0)
            payload = payload + Bytes { 0x07, 0x04, 0x02, 0x05, port, 0x0A, numbers[0] };
        else
            payload = payload + Bytes { 0x05, 0x04, 0x01, 0x0A, numbers[(size_t) k] };

        payload = payload + Bytes { 0x0F, 0x03, 0x01, 0x0C, parm, 0x01, (uint8_t) (k % 4), 0x02, mask[0], mask[1], mask[2],
                                    0x03, (uint8_t) (10 + k), 0x04, (uint8_t) (20 + k) };
    }

    return payload;
}

juce::String describePresets (const zun::CCProcessorBlock& block)
{
    juce::StringArray parts;

    for (const auto& preset : block.presets)
        if (preset.number != 0 || preset.name.isNotEmpty())
            parts.add (juce::String (preset.number) + ":" + preset.name);

    return parts.joinIntoString (" ");
}

juce::String describePorts (const zun::CCProcessorBlock& block)
{
    juce::StringArray parts;

    for (int i = 0; i < zun::CCProcessorBlock::maxPorts; ++i)
    {
        const auto& port = block.ports[i];

        if (port.number != 0)
            parts.add (juce::String (i) + "=" + juce::String (port.number) + ":" + port.inputName + "/" + port.outputName);
    }

    return parts.joinIntoString (" ");
}

juce::String describeSide (const zun::CCProcessorRecord* side)
{
    juce::StringArray parts;

    for (int n = 0; n < zun::maxCCProcessorsPerSide; ++n)
    {
        const auto& r = side[n];

        if (r.number != 0 || r.mode != 0 || r.channelMask != 0 || r.controllerA != 0 || r.controllerB != 0)
            parts.add (juce::String (n + 1) + "=" + juce::String (r.number) + "/" + juce::String (r.mode) + "/"
                       + juce::String::toHexString ((int) r.channelMask) + "/" + juce::String (r.controllerA) + "/"
                       + juce::String (r.controllerB));
    }

    return parts.joinIntoString (" ");
}

// Every CC processor the model holds, input sides and output sides of every port.
juce::String describeCCProcessors (const zun::CCProcessorBlock& block)
{
    juce::StringArray parts;

    for (int i = 0; i < zun::CCProcessorBlock::maxPorts; ++i)
    {
        const auto in = describeSide (block.ports[i].inputCCProcessors);
        const auto out = describeSide (block.ports[i].outputCCProcessors);

        if (in.isNotEmpty())
            parts.add ("p" + juce::String (i) + " in " + in);

        if (out.isNotEmpty())
            parts.add ("p" + juce::String (i) + " out " + out);
    }

    return parts.joinIntoString (" | ");
}

void expectSameProcessor (const zun::CCProcessorRecord& got, const zun::CCProcessorRecord& expected, const juce::String& what)
{
    EXPECT_EQ (got.mode, expected.mode) << what;
    EXPECT_EQ (got.controllerA, expected.controllerA) << what;
    EXPECT_EQ (got.controllerB, expected.controllerB) << what;
    EXPECT_EQ (got.channelMask, expected.channelMask) << what;
}

void expectModelEqualsInterface (const zun::CCProcessorBlock& block, const EmulatedInterface& emulated)
{
    ASSERT_EQ ((int) block.portCount, (int) emulated.ports.size());
    ASSERT_EQ ((int) block.presetCount, (int) emulated.presets.size());
    EXPECT_EQ (block.usbNamingByte, emulated.usbNamingByte);
    EXPECT_EQ (block.currentPreset, emulated.currentPreset);
    EXPECT_EQ ((int) block.ccProcessorsPerSide, zun::maxCCProcessorsPerSide);

    for (size_t i = 0; i < emulated.presets.size(); ++i)
    {
        EXPECT_EQ ((size_t) block.presets[i].number, i + 1);
        EXPECT_EQ (block.presets[i].name, emulated.presets[i].name) << "preset " << i;
    }

    for (size_t i = 0; i < emulated.ports.size(); ++i)
    {
        const auto& got = block.ports[i];
        const auto& expected = emulated.ports[i];
        const juce::String what = "port record " + juce::String ((int) i);

        EXPECT_EQ ((size_t) got.number, i + 1) << what;
        EXPECT_EQ (got.portType, expected.portType) << what;
        EXPECT_EQ (got.jackA, expected.jackA) << what;
        EXPECT_EQ (got.jackB, expected.jackB) << what;
        EXPECT_EQ (got.directionFlags, expected.directionFlags) << what;
        EXPECT_EQ (got.inputFeatureFlags, expected.inputFeatureFlags) << what;
        EXPECT_EQ (got.outputFeatureFlags, expected.outputFeatureFlags) << what;
        EXPECT_EQ (got.inputName, expected.inputName) << what;
        EXPECT_EQ (got.outputName, expected.outputName) << what;
        EXPECT_EQ (got.defaultName, zun::MakeDefaultPortName (expected.portType, expected.jackA, expected.jackB,
                                                              emulated.usbNamingByte)) << what;

        for (int n = 0; n < zun::maxCCProcessorsPerSide; ++n)
        {
            expectSameProcessor (got.inputCCProcessors[n], expected.inputCCProcessors[n], what + " in " + juce::String (n + 1));
            expectSameProcessor (got.outputCCProcessors[n], expected.outputCCProcessors[n], what + " out " + juce::String (n + 1));
        }
    }
}

// Search, select the interface and start a read that stalls where `silent` is asked.
void startStalledRead (Rig& rig, EmulatedInterface& emulated, Kind silent, uint8_t state)
{
    ASSERT_TRUE (rig.search());
    rig.select (0);
    emulated.setSilentOn (silent);
    rig.click (rig.main->getSettingsButton);
    ASSERT_TRUE (rig.waitForState (state));
}
} // namespace

TEST (SettingsRead, TheModelEqualsTheInterfaceAfterARead)
{
    Rig rig;
    auto& a = rig.addTypical (productA, serialA, "Alpha", "Pair A");
    ASSERT_TRUE (rig.searchSelectAndRead());

    auto& main = *rig.main;
    expectModelEqualsInterface (main.deviceContainer.block, a);

    EXPECT_EQ (main.deviceContainer.sysexMessage.productId, productA);
    EXPECT_EQ (main.deviceContainer.sysexMessage.serialNumber, serialA);
    EXPECT_EQ (main.deviceContainer.block.selectedPortIndex, 0);
    EXPECT_EQ (main.deviceContainer.block.selectedSide, 0);
    EXPECT_EQ (main.midiPortCombo.getSelectedId(), 1);
    EXPECT_TRUE (main.inToggle.getToggleState());
    testing_support::runMessageLoopFor (50);
    EXPECT_TRUE (rig.alerts.alerts.empty());
}

TEST (SettingsRead, TheChainAsksEveryPresetThenEveryPortThenBothSides)
{
    Rig rig;
    auto& a = rig.addTypical (productA, serialA, "Alpha", "Pair A", 3, 2);
    ASSERT_TRUE (rig.searchSelectAndRead());

    juce::StringArray asked;

    for (const auto& entry : a.getReceivedRequests())
    {
        switch (entry.kind)
        {
            case Kind::GetSettingsMI:              asked.add ("MI"); break;
            case Kind::GetSettingsDI:              asked.add ("DI"); break;
            case Kind::GetSettingsDF:              asked.add ("DF"); break;
            case Kind::GetSettingsPresetName:      asked.add ("preset " + juce::String (askedNumber (entry))); break;
            case Kind::GetSettingsMIDIPortInfo:    asked.add ("port " + juce::String (askedNumber (entry))); break;
            case Kind::GetSettingsCCProcessorInfo: asked.add ("cc " + juce::String (askedNumber (entry)) + "/"
                                                              + juce::String::toHexString (askedParm (entry))); break;
            default: break;
        }
    }

    EXPECT_EQ (asked.joinIntoString (", "),
               juce::String ("MI, DI, DF, preset 1, preset 2, port 1, port 2, port 3, "
                             "cc 1/12, cc 2/12, cc 3/12, cc 1/13, cc 2/13, cc 3/13"));
}

TEST (SettingsRead, TheExchangeCountFollowsThePresetAndPortCounts)
{
    struct Case { const char* what; int reportedPorts; int reportedPresets; int expectedExchanges; int expectedPortItems; };
    const Case cases[] = {
        { "10 ports, 4 presets", -1, -1, 37, 9 }, // the control port is not listed
        { "no presets",          -1,  0, 34, 9 },
        { "no ports",             0, -1, 10, 0 },
    };

    for (const auto& c : cases)
    {
        Rig rig;
        auto& a = rig.addTypical (productA, serialA, "Alpha", "Pair A");
        a.setReportedCounts (c.reportedPorts, c.reportedPresets, -1);
        ASSERT_TRUE (rig.searchSelectAndRead()) << c.what;

        EXPECT_EQ (countReadRequests (a), c.expectedExchanges) << c.what;
        EXPECT_EQ (rig.main->midiPortCombo.getNumItems(), c.expectedPortItems) << c.what;

        if (c.reportedPresets == 0)
        {
            EXPECT_EQ (describePresets (rig.main->deviceContainer.block), juce::String()) << c.what;
        }

        if (c.reportedPorts == 0)
        {
            EXPECT_EQ (describePorts (rig.main->deviceContainer.block), juce::String()) << c.what;
            EXPECT_EQ (describeCCProcessors (rig.main->deviceContainer.block), juce::String()) << c.what;
        }
    }
}

TEST (SettingsRead, CountsAboveTheCapacitiesReadAndWriteOnlyInsideTheModel)
{
    Rig rig;
    auto& a = rig.addTypical (productA, serialA, "Alpha", "Pair A");
    a.setReportedCounts (120, 40, 12);
    ASSERT_TRUE (rig.searchSelectAndRead (/* the longest read */));

    const auto& block = rig.main->deviceContainer.block;
    EXPECT_EQ (countReadRequests (a), 3 + 32 + 3 * 96);

    int highestPreset = 0, highestPort = 0, highestCCPort = 0;

    for (const auto& entry : received (a, Kind::GetSettingsPresetName))      highestPreset = std::max (highestPreset, askedNumber (entry));
    for (const auto& entry : received (a, Kind::GetSettingsMIDIPortInfo))    highestPort = std::max (highestPort, askedNumber (entry));
    for (const auto& entry : received (a, Kind::GetSettingsCCProcessorInfo)) highestCCPort = std::max (highestCCPort, askedNumber (entry));

    EXPECT_EQ (highestPreset, 32);
    EXPECT_EQ (highestPort, 96);
    EXPECT_EQ (highestCCPort, 96);
    EXPECT_EQ (block.presets[31].number, 32);
    EXPECT_EQ (block.ports[95].number, 96);
    EXPECT_LE (rig.main->deviceContainer.requestCursor, zun::CCProcessorBlock::maxPorts);
    EXPECT_EQ (rig.main->presetCombo.getNumItems(), 32);
}

TEST (SettingsRead, RepliesOutOfBoundsAreStoredNowhereAndTheChainMovesOn)
{
    using Probe = juce::String (*) (const zun::CCProcessorBlock&);

    const auto presets = [] (const zun::CCProcessorBlock& b) { return describePresets (b); };
    const auto ports = [] (const zun::CCProcessorBlock& b) { return describePorts (b); };
    const auto processors = [] (const zun::CCProcessorBlock& b) { return describeCCProcessors (b); };

    const Bytes names = nameItem (0x0A, { 'I', 'n' }) + nameItem (0x0B, { 'O', 'u', 't' });
    const std::array<uint8_t, 8> inOrder { 1, 2, 3, 4, 5, 6, 7, 8 };

    struct Case { const char* what; Kind kind; uint8_t state; Bytes payload; Probe probe; juce::String expected; };
    const Case cases[] = {
        // preset names (the interface reports 4 presets)
        { "a preset name",                        Kind::GetSettingsPresetName, AwaitingPresetNames, presetNamePayload (1, nameItem (0x02, { 'P', 0x00, 'x' })), presets, "1:Px" },
        { "preset 5 of 4",                        Kind::GetSettingsPresetName, AwaitingPresetNames, presetNamePayload (5, nameItem (0x02, { 'P' })), presets, "" },
        { "preset 0",                             Kind::GetSettingsPresetName, AwaitingPresetNames, presetNamePayload (0, nameItem (0x02, { 'P' })), presets, "" },
        // a name item past the payload is no name: the preset keeps its (empty) name
        { "a preset name item past the payload",  Kind::GetSettingsPresetName, AwaitingPresetNames, presetNamePayload (2, { 0x30, 0x02, 'P' }), presets, "2:" },
        // port info (10 ports; the model so far holds no port)
        { "a port with both names",               Kind::GetSettingsMIDIPortInfo, AwaitingPortInfo, portInfoPayload (3, names), ports, "2=3:In/Out" },
        { "port 11 of 10",                        Kind::GetSettingsMIDIPortInfo, AwaitingPortInfo, portInfoPayload (11, names), ports, "" },
        { "port 0",                               Kind::GetSettingsMIDIPortInfo, AwaitingPortInfo, portInfoPayload (0, names), ports, "" },
        { "an empty input name, then the output", Kind::GetSettingsMIDIPortInfo, AwaitingPortInfo, portInfoPayload (1, nameItem (0x0A, {}) + nameItem (0x0B, { 'K', 'e', 'y', 's' })), ports, "0=1:/Keys" },
        { "no input-name parm: no name at all",   Kind::GetSettingsMIDIPortInfo, AwaitingPortInfo, portInfoPayload (1, nameItem (0x0C, { 'I' }) + nameItem (0x0B, { 'K' })), ports, "0=1:/" },
        // names that reach past the payload or past the frame's first 256 bytes are no names
        { "an input name past the payload",       Kind::GetSettingsMIDIPortInfo, AwaitingPortInfo, portInfoPayload (1, { 0x40, 0x0A, 'I', 0x04, 0x0B, 'K', 'K' }), ports, "0=1:/" },
        { "an input name past byte 256",          Kind::GetSettingsMIDIPortInfo, AwaitingPortInfo, portInfoPayload (1, nameItem (0x0A, text (230)) + nameItem (0x0B, { 'K' })), ports, "0=1:/" },
        { "an output name past byte 256",         Kind::GetSettingsMIDIPortInfo, AwaitingPortInfo, portInfoPayload (1, nameItem (0x0A, text (190, 'i')) + nameItem (0x0B, text (30))), ports, "0=1:" + juce::String::repeatedString ("i", 190) + "/" },
        // CC processors (port 1's input side is asked first; the model so far holds none)
        { "eight processors of port 2",           Kind::GetSettingsCCProcessorInfo, AwaitingCCProcessorInfo, ccPayload (2, 0x12, inOrder), processors,
          "p1 in 1=1/0/82/10/20 2=2/1/82/11/21 3=3/2/82/12/22 4=4/3/82/13/23 5=5/0/82/14/24 6=6/1/82/15/25 7=7/2/82/16/26 8=8/3/82/17/27" },
        { "the reply's own side decides",         Kind::GetSettingsCCProcessorInfo, AwaitingCCProcessorInfo, ccPayload (1, 0x13, { 2, 0, 0, 0, 0, 0, 0, 0 }), processors, "p0 out 2=2/0/82/10/20" },
        { "mask bytes 7F 7F 7F read as FFFF",     Kind::GetSettingsCCProcessorInfo, AwaitingCCProcessorInfo, ccPayload (1, 0x12, { 1, 0, 0, 0, 0, 0, 0, 0 }, { 0x7F, 0x7F, 0x7F }), processors, "p0 in 1=1/0/ffff/10/20" },
        { "port 11 of 10",                        Kind::GetSettingsCCProcessorInfo, AwaitingCCProcessorInfo, ccPayload (11, 0x12, inOrder), processors, "" },
        { "a first number above the count",       Kind::GetSettingsCCProcessorInfo, AwaitingCCProcessorInfo, ccPayload (1, 0x12, { 9, 1, 2, 3, 4, 5, 6, 7 }), processors, "" },
        { "later numbers out of 1-8 are skipped", Kind::GetSettingsCCProcessorInfo, AwaitingCCProcessorInfo, ccPayload (1, 0x12, { 1, 0, 9, 127, 8, 0, 0, 0 }), processors, "p0 in 1=1/0/82/10/20 8=8/0/82/14/24" },
    };

    for (const auto& c : cases)
    {
        Rig rig;
        auto& a = rig.addTypical (productA, serialA, "Alpha", "Pair A");
        startStalledRead (rig, a, c.kind, c.state);

        const int asked = countReceived (a, c.kind);
        a.sendRaw (makeReply (a, rig.main->deviceContainer.sysexMessage.sessionId, c.payload));

        // Accepted or not by its number, the reply moves the chain on by one request.
        EXPECT_TRUE (testing_support::runMessageLoopUntil ([&] { return countReceived (a, c.kind) == asked + 1; }, 1000)) << c.what;
        EXPECT_EQ (c.probe (rig.main->deviceContainer.block), c.expected) << c.what;
        EXPECT_EQ (rig.main->requestState, c.state) << c.what;
    }
}

TEST (SettingsRead, RepliesThatFailTheFrameCheckAreIgnored)
{
    struct Case { const char* what; bool otherSession; bool badChecksum; };
    const Case cases[] = {
        { "another session",    true,  false },
        { "a corrupt checksum", false, true  },
    };

    for (const auto& c : cases)
    {
        Rig rig;
        auto& a = rig.addTypical (productA, serialA, "Alpha", "Pair A");
        ASSERT_TRUE (rig.search()) << c.what;
        rig.select (0);

        a.setReplySessionOverride (c.otherSession, 0x0123456);
        a.setCorruptChecksum (c.badChecksum);
        rig.click (rig.main->getSettingsButton);
        testing_support::runMessageLoopFor (300);

        EXPECT_EQ (rig.main->requestState, AwaitingMidiInfo) << c.what;
        EXPECT_EQ (rig.main->deviceContainer.block.portCount, 0) << c.what;
        EXPECT_EQ (countReceived (a, Kind::GetSettingsDI), 0) << c.what;
    }
}

TEST (SettingsRead, GetSettingsDuringAReadRestartsItWithTheEditorCleared)
{
    Rig rig;
    auto& a = rig.addTypical (productA, serialA, "Alpha", "Pair A");
    ASSERT_TRUE (rig.searchSelectAndRead());
    auto& main = *rig.main;
    const auto firstSession = main.deviceContainer.sysexMessage.sessionId;

    // A second read stalls at the preset names: the model is empty, and so is the editor.
    a.setSilentOn (Kind::GetSettingsPresetName);
    rig.click (main.getSettingsButton);
    ASSERT_TRUE (rig.waitForState (AwaitingPresetNames));
    const auto secondSession = main.deviceContainer.sysexMessage.sessionId;

    EXPECT_NE (secondSession, firstSession);
    EXPECT_FALSE (main.guiPopulated);
    EXPECT_EQ (main.presetCombo.getNumItems(), 0);
    EXPECT_EQ (main.midiPortCombo.getNumItems(), 0);
    EXPECT_EQ (main.modeCombos[0].getSelectedId(), 0);

    // An edit now must not send the emptied records to the interface.
    main.modeCombos[0].setSelectedId (zun::Remap + 1, juce::sendNotificationSync);
    main.channelToggles[0][0].triggerClick();
    testing_support::runMessageLoopFor (100);

    EXPECT_EQ (countReceived (a, Kind::SetCCProc), 0);
    EXPECT_EQ (countReceived (a, Kind::SetPortFeatureFlags), 0);
    EXPECT_EQ (main.requestState, AwaitingPresetNames);

    // A third read: a reply of the second session that arrives first fails the frame check.
    a.setSilentOn (Kind::GetSettingsPresetName, false);
    a.setReplyDelayMs (20.0);
    const int askedBefore = countReadRequests (a);
    rig.click (main.getSettingsButton);
    EXPECT_NE (main.deviceContainer.sysexMessage.sessionId, secondSession);
    a.sendRaw (makeReply (a, secondSession, { 0x43, 0x05, 0x01, 0x09, 0x03, 0x02, 0x03, 0x01, 0x02, 0x03, 0x12, 0x08 }));
    ASSERT_TRUE (rig.waitForReadOut());

    EXPECT_EQ (countReadRequests (a) - askedBefore, 37);
    expectModelEqualsInterface (main.deviceContainer.block, a);
    EXPECT_TRUE (rig.alerts.alerts.empty());
}

TEST (SettingsRead, EachStateTakesOnlyItsOwnReplyShape)
{
    const Bytes midiInfo { 0x43, 0x05, 0x01, 0x09, 0x03, 0x02, 0x03, 0x01, 0x02, 0x03, 0x12, 0x08 };
    const Bytes deviceInfo { 0x43, 0x02, 0x01, 0x09, 0x03, 0x02, 0x03, 0x0B, 0x00, 0x03, 0x14, 0x04 };
    const Bytes deviceFeature { 0x43, 0x03, 0x01, 0x06, 0x03, 0x01, 0x03, 0x01, 0x02 };
    const Bytes presetName = presetNamePayload (1, nameItem (0x02, { 'P' }));
    const Bytes portInfo = portInfoPayload (1, nameItem (0x0A, { 'I', 'n' }) + nameItem (0x0B, { 'O', 'u', 't' }));
    const Bytes ccInfo = ccPayload (1, 0x12, { 1, 2, 3, 4, 5, 6, 7, 8 });

    // `payload` with payload byte `index` (frame byte index + 22) set to `value`.
    const auto with = [] (Bytes payload, size_t index, uint8_t value)
    {
        payload[index] = value;
        return payload;
    };

    struct Case { const char* what; Kind kind; uint8_t state; Bytes payload; bool movesOn; };
    const Case cases[] = {
        { "MIDI info",                  Kind::GetSettingsMI,              AwaitingMidiInfo,        midiInfo,                         true  },
        { "MIDI info, [32] not 12",     Kind::GetSettingsMI,              AwaitingMidiInfo,        with (midiInfo, 10, 0x13),        false },
        { "MIDI info, one byte more",   Kind::GetSettingsMI,              AwaitingMidiInfo,        midiInfo + Bytes { 0x00 },        false },
        { "device info",                Kind::GetSettingsDI,              AwaitingDeviceInfo,      deviceInfo,                       true  },
        { "device info, [29] not 0B",   Kind::GetSettingsDI,              AwaitingDeviceInfo,      with (deviceInfo, 7, 0x01),       false },
        { "device info, [23] not 02",   Kind::GetSettingsDI,              AwaitingDeviceInfo,      with (deviceInfo, 1, 0x05),       false },
        { "device feature",             Kind::GetSettingsDF,              AwaitingDeviceFeature,   deviceFeature,                    true  },
        { "device feature, [26] not 03", Kind::GetSettingsDF,             AwaitingDeviceFeature,   with (deviceFeature, 4, 0x04),    false },
        { "preset name",                Kind::GetSettingsPresetName,      AwaitingPresetNames,     presetName,                       true  },
        { "preset name, [28] not 09",   Kind::GetSettingsPresetName,      AwaitingPresetNames,     with (presetName, 6, 0x05),       false },
        { "preset name, [34] not 02",   Kind::GetSettingsPresetName,      AwaitingPresetNames,     with (presetName, 12, 0x01),      false },
        { "port info",                  Kind::GetSettingsMIDIPortInfo,    AwaitingPortInfo,        portInfo,                         true  },
        { "port info, [47] not 09",     Kind::GetSettingsMIDIPortInfo,    AwaitingPortInfo,        with (portInfo, 25, 0x08),        false },
        { "port info, [37] not 02",     Kind::GetSettingsMIDIPortInfo,    AwaitingPortInfo,        with (portInfo, 15, 0x03),        false },
        { "CC processors",              Kind::GetSettingsCCProcessorInfo, AwaitingCCProcessorInfo, ccInfo,                           true  },
        { "CC processors, [30] not 0A", Kind::GetSettingsCCProcessorInfo, AwaitingCCProcessorInfo, with (ccInfo, 8, 0x0B),           false },
        { "CC processors, [36] is 14",  Kind::GetSettingsCCProcessorInfo, AwaitingCCProcessorInfo, with (ccInfo, 14, 0x14),          false },
    };

    for (const auto& c : cases)
    {
        Rig rig;
        auto& a = rig.addTypical (productA, serialA, "Alpha", "Pair A");
        startStalledRead (rig, a, c.kind, c.state);

        const int asked = countReadRequests (a);
        a.sendRaw (makeReply (a, rig.main->deviceContainer.sysexMessage.sessionId, c.payload));

        const bool movedOn = testing_support::runMessageLoopUntil ([&] { return countReadRequests (a) > asked; }, 300);
        EXPECT_EQ (movedOn, c.movesOn) << c.what;

        if (! c.movesOn)
        {
            EXPECT_EQ (rig.main->requestState, c.state) << c.what;
        }
    }
}
