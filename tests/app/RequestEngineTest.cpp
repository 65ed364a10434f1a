#include "app/MainComponent.h"
#include "app/MonitorText.h"
#include "../protocol/ProtocolTestBytes.h"
#include "emulator/EmulatedInterface.h"
#include "emulator/VirtualMidiService.h"
#include "protocol/RequestTemplates.h"
#include "support/AlertCatcher.h"
#include "support/MessageLoop.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace
{
using Bytes = std::vector<uint8_t>;
using testing_support::runMessageLoopFor;
using testing_support::runMessageLoopUntil;

constexpr uint32_t session = 0x00abcdef;
constexpr uint32_t otherSession = 0x0123456;

// A reply frame as an interface sends it, built here independently of the application.
juce::MidiMessage reply (uint32_t sessionId, const Bytes& payload, uint32_t transactionId = 5)
{
    return protocol_test::Message (protocol_test::Frame ({ 0x0123, 0x9a1b2c3d, sessionId, transactionId }, payload));
}

// The reply to the MIDI-info request: 4 ports, 8 CC processors a side.
const Bytes midiInfoPayload { 0x43, 0x05, 0x01, 0x09, 0x03, 0x02, 0x03, 0x01, 0x04, 0x03, 0x12, 0x08 };
const Bytes ackPayload { 0x40, 0x00, 0x11, 0x00, 0x00 };

// A device behind a port pair that answers nothing and records what reaches it, together with
// what the monitor showed at that moment.
struct SilentDevice : public VirtualMidiService::Device
{
    struct Received
    {
        Bytes bytes;
        double timeStamp;
        int logLinesAtReceipt;
        juce::String lastLogLine;
    };

    MainComponent* mc = nullptr;
    std::vector<Received> received;

    void receivedFromApplication (int, const juce::MidiMessage& message) override
    {
        auto* raw = message.getRawData();
        const int lines = mc->messageLog.getNumLines();
        received.push_back ({ Bytes (raw, raw + message.getRawDataSize()), message.getTimeStamp(), lines,
                              mc->messageLog.getLine (lines - 1) });
    }
};

struct RequestEngineFixture : public ::testing::Test
{
    SilentDevice device;
    SilentDevice secondDevice;
    VirtualMidiService service;
    int pair = service.addPortPair ("Test Port", &device);
    int secondPair = service.addPortPair ("Second Port", &secondDevice);
    MainComponent mc { service };

    void SetUp() override
    {
        device.mc = &mc;
        secondDevice.mc = &mc;
        mc.showMidiMessagesToggle.setToggleState (true, juce::dontSendNotification);
        mc.createDeviceList (true);
        mc.createDeviceList (false);
    }

    void TearDown() override
    {
        service.detachDevice (pair);
        service.detachDevice (secondPair);
    }

    // Sends from the device and waits until the monitor has shown it.
    void receive (const juce::MidiMessage& message)
    {
        const int before = mc.messageLog.getNumLines();
        service.sendToApplication (pair, message);
        EXPECT_TRUE (runMessageLoopUntil ([&]
                                          { return mc.messageLog.getNumLines() > before; },
                                          2000));
        runMessageLoopFor (50);
    }

    juce::String lastLine() const { return mc.messageLog.getLine (mc.messageLog.getNumLines() - 1); }
};
} // namespace

TEST_F (RequestEngineFixture, MessagesInIdleAreOnlyLogged)
{
    struct Case
    {
        const char* what;
        juce::MidiMessage message;
        juce::String description;
    };

    const Case cases[] = {
        { "a valid reply", reply (0, midiInfoPayload), "RetParmVal MIDIInfo: " },
        { "an acknowledgement", reply (0, ackPayload), "Ack None: " },
        { "a ping", reply (0, {}), "Ping: " },
        { "a note", juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100), "Note on C3" },
    };

    for (const auto& c : cases)
    {
        const int linesBefore = mc.messageLog.getNumLines();
        receive (c.message);

        EXPECT_EQ (mc.messageLog.getNumLines(), linesBefore + 1) << c.what;
        EXPECT_TRUE (lastLine().contains (" R " + c.description)) << c.what << ": " << lastLine();
        EXPECT_EQ (mc.requestState, Idle) << c.what;
        EXPECT_EQ (mc.deviceContainer.block.portCount, 0) << c.what;
        EXPECT_TRUE (device.received.empty()) << c.what;
    }
}

TEST_F (RequestEngineFixture, FrameOfAnotherSessionIsDumpedAndDropped)
{
    mc.deviceContainer.sysexMessage.sessionId = session;
    mc.requestState = AwaitingMidiInfo;

    const auto foreign = reply (otherSession, midiInfoPayload);
    receive (foreign);

    ASSERT_EQ (mc.messageLog.getNumLines(), 1);
    EXPECT_TRUE (lastLine().endsWith (" R " + monitor_text::hexDump (foreign.getRawData(), foreign.getRawDataSize())))
        << lastLine();
    EXPECT_EQ (mc.requestState, AwaitingMidiInfo);
    EXPECT_EQ (mc.deviceContainer.block.portCount, 0);
    EXPECT_TRUE (device.received.empty());
}

TEST_F (RequestEngineFixture, SendStepLogsOnceBeforeEveryOutputReceives)
{
    mc.deviceContainer.sysexMessage.sessionId = session;
    const auto before = juce::Time::getMillisecondCounterHiRes() * 0.001;

    mc.sendRequest (SXMessage_GetSettingsDF, zun::TemplateLength::GetSettingsDF);

    const auto after = juce::Time::getMillisecondCounterHiRes() * 0.001;

    ASSERT_EQ (device.received.size(), 1u);
    ASSERT_EQ (secondDevice.received.size(), 1u);
    EXPECT_EQ (mc.messageLog.getNumLines(), 1);

    const auto& sent = device.received[0];
    EXPECT_EQ (secondDevice.received[0].bytes, sent.bytes);

    // The frame carries the template in the builder's session.
    ASSERT_EQ (sent.bytes.size(), (size_t) zun::TemplateLength::GetSettingsDF + 24);
    EXPECT_EQ (Bytes (sent.bytes.begin() + 22, sent.bytes.end() - 2),
               Bytes (SXMessage_GetSettingsDF, SXMessage_GetSettingsDF + zun::TemplateLength::GetSettingsDF));
    EXPECT_EQ (Bytes (sent.bytes.begin() + 12, sent.bytes.begin() + 16), (Bytes { 0x05, 0x2f, 0x1b, 0x6f }));

    // Stamped with the high-resolution clock before it is logged, and logged before it is sent.
    EXPECT_GE (sent.timeStamp, before);
    EXPECT_LE (sent.timeStamp, after);
    EXPECT_EQ (sent.logLinesAtReceipt, 1);
    EXPECT_TRUE (sent.lastLogLine.startsWith ("1 - " + monitor_text::formatTime (sent.timeStamp) + " S "))
        << sent.lastLogLine;
    EXPECT_TRUE (sent.lastLogLine.endsWith (": " + monitor_text::hexDump (sent.bytes.data() + 5, (int) sent.bytes.size() - 6)))
        << sent.lastLogLine;
}

TEST_F (RequestEngineFixture, MissingReplyRaisesOneTimeOutAndKeepsTheState)
{
    testing_support::AlertCatcher alerts;
    mc.deviceContainer.sysexMessage.sessionId = session;
    mc.requestState = AwaitingMidiInfo;

    const auto start = juce::Time::getMillisecondCounterHiRes();
    mc.sendRequest (SXMessage_GetSettingsMI, zun::TemplateLength::GetSettingsMI);

    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return ! alerts.alerts.empty(); },
                                      4000));
    const auto elapsed = juce::Time::getMillisecondCounterHiRes() - start;
    runMessageLoopFor (2500);

    EXPECT_GE (elapsed, replyTimeoutMs - 20);
    EXPECT_LT (elapsed, replyTimeoutMs + 1000);
    ASSERT_EQ (alerts.alerts.size(), 1u);
    EXPECT_EQ (alerts.alerts[0].title, "Time Out Error");
    EXPECT_EQ (alerts.alerts[0].message, "Something went wrong, was expecting a message from interface but did not receive one.");
    EXPECT_EQ (alerts.alerts[0].buttons, juce::StringArray ("Shucks"));
    EXPECT_TRUE (alerts.alerts[0].warningIcon);
    EXPECT_EQ (mc.requestState, AwaitingMidiInfo);
    EXPECT_EQ (device.received.size(), 1u);
}

TEST_F (RequestEngineFixture, LateReplyAfterTheTimeOutContinuesTheChain)
{
    testing_support::AlertCatcher alerts;
    mc.deviceContainer.sysexMessage.sessionId = session;
    mc.requestState = AwaitingMidiInfo;
    mc.sendRequest (SXMessage_GetSettingsMI, zun::TemplateLength::GetSettingsMI);

    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return ! alerts.alerts.empty(); },
                                      10000));

    receive (reply (session, midiInfoPayload));

    EXPECT_EQ (mc.deviceContainer.block.portCount, 4);
    EXPECT_EQ (mc.requestState, AwaitingDeviceInfo);
    ASSERT_EQ (device.received.size(), 2u);
    EXPECT_EQ (Bytes (device.received[1].bytes.begin() + 22, device.received[1].bytes.end() - 2),
               Bytes (SXMessage_GetSettingsDI, SXMessage_GetSettingsDI + zun::TemplateLength::GetSettingsDI));
}

TEST_F (RequestEngineFixture, OtherTimerIdsDoNothing)
{
    testing_support::AlertCatcher alerts;
    mc.requestState = AwaitingMidiInfo;

    // The timers are a private base of the component; reach them as the framework does.
    auto& timers = *(juce::MultiTimer*) &mc;
    timers.startTimer (7, 10);
    runMessageLoopFor (200);
    timers.stopTimer (7);

    EXPECT_TRUE (alerts.alerts.empty());
    EXPECT_EQ (mc.requestState, AwaitingMidiInfo);
    EXPECT_EQ (mc.messageLog.getNumLines(), 0);
    EXPECT_TRUE (device.received.empty());
}

TEST_F (RequestEngineFixture, ButtonOutsideTheFiveReachesOnlyTheEditor)
{
    // With the editor cleared (after construction) the editor's own buttons change nothing.
    mc.enableToggle.triggerClick();
    mc.channelToggles[0][0].triggerClick();
    runMessageLoopFor (100);

    EXPECT_EQ (mc.requestState, Idle);
    EXPECT_EQ (mc.messageLog.getNumLines(), 0);
    EXPECT_TRUE (device.received.empty());
}

// The five buttons and an editor button, each reaching its own handler, through a whole session
// with an emulated interface.
TEST (RequestEngineButtons, EachButtonReachesItsHandler)
{
    using Kind = EmulatedInterface::RequestKind;

    testing_support::AlertCatcher alerts;
    VirtualMidiService service;
    auto emulated = EmulatedInterface::makeTypical (0x0123, 0x9a1b2c3d, "Test Interface");
    const int pair = emulated->attach (service, "Emulated Port");
    MainComponent mc (service);
    mc.showMidiMessagesToggle.setToggleState (true, juce::dontSendNotification);

    auto countOf = [&] (Kind kind)
    {
        int n = 0;
        for (auto& request : emulated->getReceivedRequests())
            n += request.kind == kind ? 1 : 0;
        return n;
    };

    mc.searchButton.triggerClick();
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return mc.deviceSelector->getNumRows() == 1 && mc.requestState == Idle; },
                                      5000))
        << mc.messageLog.getText();
    EXPECT_EQ (emulated->getReceivedRequests().front().kind, Kind::DeviceDiscovery);

    mc.deviceSelector->selectRow (0);
    runMessageLoopFor (50);
    ASSERT_EQ (mc.deviceSelector->getSelectedRow (0), 0);

    mc.getSettingsButton.triggerClick();
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return mc.guiPopulated && mc.requestState == Idle; },
                                      10000))
        << "state " << (int) mc.requestState << "\n"
        << mc.messageLog.getText();
    EXPECT_TRUE (alerts.alerts.empty());

    struct Case
    {
        const char* what;
        juce::Button* button;
        Kind expected;
    };

    const Case cases[] = {
        { "Load Preset", &mc.loadPresetButton, Kind::LoadPreset },
        { "Save Preset", &mc.savePresetButton, Kind::SavePreset },
        { "Enable", &mc.enableToggle, Kind::SetPortFeatureFlags },
    };

    for (const auto& c : cases)
    {
        const int before = countOf (c.expected);
        c.button->triggerClick();
        EXPECT_TRUE (runMessageLoopUntil ([&]
                                          { return countOf (c.expected) == before + 1; },
                                          3000))
            << c.what;
        runMessageLoopUntil ([&]
                             { return mc.requestState == Idle && mc.pendingPause == Pause::none; },
                             3000);
    }

    ASSERT_GT (mc.messageLog.getNumLines(), 0);
    mc.clearLogButton.triggerClick();
    EXPECT_TRUE (runMessageLoopUntil ([&]
                                      { return mc.messageLog.getNumLines() == 0; },
                                      1000));
    EXPECT_EQ (mc.logLineCount, 1);

    service.detachDevice (pair);
}

// While an alert box is open nothing behind it is acted on and no second box opens over it: a
// reply that arrives late is kept and continues the chain once the box is dismissed; a time-out
// that falls due meanwhile opens its own box only then.
TEST_F (RequestEngineFixture, AnAlertHoldsBackRepliesAndTimeOutsUntilItIsDismissed)
{
    mc.deviceContainer.sysexMessage.sessionId = session;

    {
        SCOPED_TRACE ("a late reply behind the time-out alert");
        testing_support::AlertCatcher alerts (3000);
        uint8_t stateBehindTheBox = 0;
        size_t sentBehindTheBox = 0;
        alerts.beforeDismissing = [&]
        {
            stateBehindTheBox = mc.requestState;
            sentBehindTheBox = device.received.size();
        };

        alerts.whenOpened = [&] { service.sendToApplication (pair, reply (session, midiInfoPayload)); };

        mc.requestState = AwaitingMidiInfo;
        mc.sendRequest (SXMessage_GetSettingsMI, zun::TemplateLength::GetSettingsMI);
        ASSERT_TRUE (runMessageLoopUntil ([&] { return mc.requestState == AwaitingDeviceInfo; }, 10000));

        EXPECT_EQ (alerts.mostOpenAtOnce, 1);
        ASSERT_EQ (alerts.alerts.size(), 1u);
        EXPECT_EQ (stateBehindTheBox, AwaitingMidiInfo);
        EXPECT_EQ (sentBehindTheBox, 1u);
        EXPECT_EQ (device.received.size(), 2u); // the next request, once the box was dismissed
        EXPECT_EQ (mc.deviceContainer.block.portCount, 4);
    }

    {
        SCOPED_TRACE ("a time-out behind a refusal");
        testing_support::AlertCatcher alerts (3000);

        const auto firstChange = device.received.size();

        for (int change = 0; change < 2; ++change)
            mc.sendCommand (AwaitingChangeAck, SXMessage_SetCCProc, zun::TemplateLength::SetCCProc);

        const auto firstId = zun::Frame::TransactionId (device.received[firstChange].bytes.data());
        service.sendToApplication (pair, reply (session, { 0x40, 0x00, 0x10, 0x00, 0x0B }, firstId));
        ASSERT_TRUE (runMessageLoopUntil ([&] { return alerts.alerts.size() == 2; }, 10000));

        EXPECT_EQ (alerts.mostOpenAtOnce, 1);
        EXPECT_EQ (alerts.alerts[0].title, "Ack Error");
        EXPECT_EQ (alerts.alerts[1].title, "Time Out Error");
        EXPECT_EQ (mc.requestState, Idle);
    }
}

// Each pause the interfaces need runs on a timer: a message posted as the pause begins is handled
// before the request after it goes out, and that request still goes out no sooner than the pause's
// length after it began (when the component says it began, which must lie between the start of
// the exchange and the moment the test sees the pause).
TEST_F (RequestEngineFixture, PausesLeaveTheMessageThreadFreeAndLastTheirLength)
{
    struct Case
    {
        const char* what;
        std::function<void()> begin;
        int pauseMs;
        Bytes nextRequest;
    };

    const Case cases[] = {
        { "after the discovery window", [this]
          {
              auto* found = new zun::DiscoveredDevice();
              found->inputIndex = found->outputIndex = pair;
              mc.discoveryItem.devices.add (found);
              mc.requestState = Discovering;
              mc.discoveryWindowEnded();
          },
          productNamePauseMs, Bytes (SXMessage_GetProductName, SXMessage_GetProductName + zun::TemplateLength::GetProductName) },
        { "after a good load's acknowledgement", [this]
          {
              mc.deviceContainer.sysexMessage.sessionId = session;
              mc.sendCommand (AwaitingLoadPresetAck, SXMessage_LoadPreset, zun::TemplateLength::LoadPreset);
              const auto id = zun::Frame::TransactionId (device.received.back().bytes.data());
              service.sendToApplication (pair, reply (session, ackPayload, id));
          },
          presetLoadPauseMs, Bytes { 0x03, 0x06, 0x02, 0x05, 0x04, 0x01, 0x05, 0x01, 0x0A, 0x01, 0x07, 0x01, 0x02, 0x05, 0x08, 0x09, 0x0A, 0x0B } }, // port 1's description
    };

    for (const auto& c : cases)
    {
        const auto before = juce::Time::getMillisecondCounterHiRes();
        c.begin();
        ASSERT_TRUE (runMessageLoopUntil ([&] { return mc.pendingPause != Pause::none; }, 2000)) << c.what;
        const auto seen = juce::Time::getMillisecondCounterHiRes();
        const auto dueAt = mc.pauseDueAt;
        EXPECT_GE (dueAt - c.pauseMs, before) << c.what;
        EXPECT_LE (dueAt - c.pauseMs, seen) << c.what;
        const auto sentBefore = device.received.size();
        auto sentWhenHandled = std::make_shared<size_t> (0);
        juce::MessageManager::callAsync ([this, sentWhenHandled] { *sentWhenHandled = device.received.size() + 1; });

        ASSERT_TRUE (runMessageLoopUntil ([&] { return device.received.size() > sentBefore; }, 2000)) << c.what;
        EXPECT_EQ (*sentWhenHandled, sentBefore + 1) << c.what;

        const auto& request = device.received.back();
        EXPECT_GE (request.timeStamp * 1000.0, dueAt) << c.what;
        EXPECT_EQ (Bytes (request.bytes.begin() + 22, request.bytes.end() - 2), c.nextRequest) << c.what;
    }
}

// The component may be deleted while one of its warning boxes is open: once the box closes,
// nothing of it is touched (the sanitizer build sees any access).
TEST (RequestEngineAlert, TheComponentMayBeDeletedWhileItsBoxIsOpen)
{
    VirtualMidiService service;
    auto mc = std::make_unique<MainComponent> (service);
    testing_support::AlertCatcher alerts;
    alerts.whenOpened = [&mc] { mc.reset(); };

    mc->showAlert ("Time Out Error", "Something went wrong, was expecting a message from interface but did not receive one.");

    EXPECT_EQ (mc, nullptr);
    EXPECT_EQ (alerts.alerts.size(), 1u);
}
