#include "app/MainComponent.h"
#include "emulator/VirtualMidiService.h"
#include "support/AlertCatcher.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <mutex>

namespace
{
bool onMessageThread()
{
    return juce::MessageManager::getInstance()->isThisTheMessageThread();
}

std::vector<uint8_t> bytesOf (const juce::MidiMessage& message)
{
    return { message.getRawData(), message.getRawData() + message.getRawDataSize() };
}

juce::MidiMessage longSysEx (int totalSize)
{
    std::vector<uint8_t> body ((size_t) totalSize - 2);

    for (size_t i = 0; i < body.size(); ++i)
        body[i] = (uint8_t) (i % 0x80);

    return juce::MidiMessage::createSysExMessage (body.data(), (int) body.size());
}

// Records what the application sends on each pair's output.
struct RecordingDevice : public VirtualMidiService::Device
{
    struct Received
    {
        int pairIndex;
        std::vector<uint8_t> bytes;
        bool onMessageThread;
    };

    void receivedFromApplication (int pairIndex, const juce::MidiMessage& message) override
    {
        const std::lock_guard<std::mutex> lock (mutex);
        received.push_back ({ pairIndex, bytesOf (message), onMessageThread() });
    }

    std::mutex mutex;
    std::vector<Received> received;
};

// Wraps a service and logs every open, start, stop and close of a port, in order.
class LoggingService : public MidiService
{
public:
    explicit LoggingService (MidiService& innerService)
        : inner (innerService) {}

    juce::Array<juce::MidiDeviceInfo> getAvailableInputs() override { return inner.getAvailableInputs(); }
    juce::Array<juce::MidiDeviceInfo> getAvailableOutputs() override { return inner.getAvailableOutputs(); }

    std::unique_ptr<MidiPortInput> openInput (const juce::String& identifier, MidiPortInputCallback& callback) override
    {
        auto port = inner.openInput (identifier, callback);
        return port == nullptr ? nullptr : std::make_unique<Input> (std::move (port), nameOf (identifier), log);
    }

    std::unique_ptr<MidiPortOutput> openOutput (const juce::String& identifier) override
    {
        auto port = inner.openOutput (identifier);
        return port == nullptr ? nullptr : std::make_unique<Output> (std::move (port), nameOf (identifier), log);
    }

    juce::StringArray log;

private:
    struct Input : public MidiPortInput
    {
        Input (std::unique_ptr<MidiPortInput> p, juce::String n, juce::StringArray& l)
            : port (std::move (p)), name (n), log (l) { log.add ("open in " + name); }
        ~Input() override
        {
            port.reset();
            log.add ("close in " + name);
        }
        void start() override
        {
            port->start();
            log.add ("start in " + name);
        }
        void stop() override
        {
            port->stop();
            log.add ("stop in " + name);
        }

        std::unique_ptr<MidiPortInput> port;
        juce::String name;
        juce::StringArray& log;
    };

    struct Output : public MidiPortOutput
    {
        Output (std::unique_ptr<MidiPortOutput> p, juce::String n, juce::StringArray& l)
            : port (std::move (p)), name (n), log (l) { log.add ("open out " + name); }
        ~Output() override
        {
            port.reset();
            log.add ("close out " + name);
        }
        void sendMessageNow (const juce::MidiMessage& message) override { port->sendMessageNow (message); }

        std::unique_ptr<MidiPortOutput> port;
        juce::String name;
        juce::StringArray& log;
    };

    juce::String nameOf (const juce::String& identifier)
    {
        for (auto& info : inner.getAvailableInputs())
            if (info.identifier == identifier)
                return info.name;

        for (auto& info : inner.getAvailableOutputs())
            if (info.identifier == identifier)
                return info.name;

        return {};
    }

    MidiService& inner;
};

// The real MainComponent, with the message thread's side of the hand-off recorded instead of
// handed to the request engine.
class HandOffProbe : public MainComponent
{
public:
    using MainComponent::MainComponent;

    struct Delivered
    {
        MidiPortInput* source;
        juce::MidiMessage message;
        bool onMessageThread;
    };

    std::vector<Delivered> delivered;

private:
    void handleMessage (const juce::Message& message) override
    {
        if (auto* incoming = dynamic_cast<const MidiCallbackMessage*> (&message))
            delivered.push_back ({ incoming->source, incoming->message, onMessageThread() });
    }
};

// An input callback of the test's own that notes where and when it runs.
struct ThreadProbe : public MidiPortInputCallback
{
    void handleIncomingMidiMessage (MidiPortInput*, const juce::MidiMessage&) override
    {
        inCallback = true;
        ranOnMessageThread = ranOnMessageThread || onMessageThread();
        juce::Thread::sleep (sleepMs);
        ++calls;
        inCallback = false;
    }

    std::atomic<bool> inCallback { false };
    std::atomic<bool> ranOnMessageThread { false };
    std::atomic<int> calls { 0 };
    int sleepMs = 0;
};

const char* const pairNames[] = { "Alpha", "Beta", "Gamma" };

struct MidiLayerTest : public ::testing::Test
{
    MidiLayerTest()
    {
        for (auto* name : pairNames)
            service.addPortPair (name, &device);
    }

    void openAll (MainComponent& component)
    {
        component.createDeviceList (true);
        component.createDeviceList (false);
    }

    VirtualMidiService service;
    RecordingDevice device;
};
} // namespace

TEST_F (MidiLayerTest, EveryPortPresentIsListedAndOpened)
{
    MainComponent component (service);
    openAll (component);

    ASSERT_EQ (component.midiInputs.size(), 3);
    ASSERT_EQ (component.midiOutputs.size(), 3);

    juce::StringArray identifiers;

    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ (component.midiInputs[i]->deviceInfo.name, pairNames[i]);
        EXPECT_EQ (component.midiOutputs[i]->deviceInfo.name, pairNames[i]);
        EXPECT_NE (component.midiInputs[i]->inputDevice, nullptr) << pairNames[i];
        EXPECT_NE (component.midiOutputs[i]->outputDevice, nullptr) << pairNames[i];
        EXPECT_EQ (service.getNumStartedInputs (i), 1) << pairNames[i];
        EXPECT_EQ (service.getNumOpenOutputs (i), 1) << pairNames[i];
        identifiers.addIfNotAlreadyThere (component.midiInputs[i]->deviceInfo.identifier);
        identifiers.addIfNotAlreadyThere (component.midiOutputs[i]->deviceInfo.identifier);
    }

    EXPECT_EQ (identifiers.size(), 6) << "every port has an identifier of its own";
}

TEST_F (MidiLayerTest, RebuildClosesEveryOldPortBeforeTheNewOnesExist)
{
    LoggingService logging (service);
    MainComponent component (logging);
    openAll (component);

    const juce::ReferenceCountedArray<MidiDeviceListEntry> oldInputs (component.midiInputs);
    const juce::ReferenceCountedArray<MidiDeviceListEntry> oldOutputs (component.midiOutputs);
    service.addPortPair ("Delta", &device);
    logging.log.clear();

    openAll (component);

    const juce::StringArray expected { "stop in Gamma", "close in Gamma", "stop in Beta", "close in Beta", "stop in Alpha", "close in Alpha",
                                       "open in Alpha", "start in Alpha", "open in Beta", "start in Beta", "open in Gamma", "start in Gamma",
                                       "open in Delta", "start in Delta",
                                       "close out Gamma", "close out Beta", "close out Alpha",
                                       "open out Alpha", "open out Beta", "open out Gamma", "open out Delta" };
    EXPECT_EQ (logging.log.joinIntoString (", "), expected.joinIntoString (", "));

    ASSERT_EQ (component.midiInputs.size(), 4);

    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ (oldInputs[i]->inputDevice, nullptr) << "the old entry's port is closed";
        EXPECT_EQ (oldOutputs[i]->outputDevice, nullptr) << "the old entry's port is closed";
        EXPECT_FALSE (component.midiInputs.contains (oldInputs[i].get())) << "entries are new objects";
        EXPECT_FALSE (component.midiOutputs.contains (oldOutputs[i].get())) << "entries are new objects";
        EXPECT_EQ (service.getNumOpenInputs (i), 1) << pairNames[i];
    }
}

TEST_F (MidiLayerTest, SinglePortsOpenAndCloseOnce)
{
    LoggingService logging (service);
    MainComponent component (logging);
    openAll (component);
    logging.log.clear();

    enum Port
    {
        input,
        output,
        interface // a discovered interface's input and output
    };

    struct Case
    {
        const char* what;
        bool open;
        Port port;
        int index;
        const char* expectedLog;
    };

    const Case cases[] = {
        { "close an input", false, input, 1, "stop in Beta, close in Beta" },
        { "close it again", false, input, 1, "" },
        { "reopen it", true, input, 1, "open in Beta, start in Beta" },
        { "open an open input", true, input, 1, "" },
        { "close an output", false, output, 2, "close out Gamma" },
        { "close it again", false, output, 2, "" },
        { "reopen it", true, output, 2, "open out Gamma" },
        { "open an open output", true, output, 2, "" },
        { "open an input before the list", true, input, -1, "" },
        { "close an input past the list", false, input, 3, "" },
        { "close an output past the list", false, output, 3, "" },
        { "close an interface's ports", false, interface, 0, "stop in Beta, close in Beta, close out Alpha" },
        { "reopen them", true, interface, 0, "open in Beta, start in Beta, open out Alpha" },
        { "open an interface before the list", true, interface, -1, "" },
        { "close an interface past the list", false, interface, 1, "" },
    };

    // One discovered interface, answering on input 1 and output 0.
    auto* found = component.discoveryItem.devices.add (new zun::DiscoveredDevice());
    found->inputIndex = 1;
    found->outputIndex = 0;

    for (const auto& c : cases)
    {
        logging.log.clear();

        if (c.port == interface)
            c.open ? component.openDevice (c.index) : component.closeDevice (c.index);
        else
            c.open ? component.openDevice (c.port == input, c.index) : component.closeDevice (c.port == input, c.index);

        EXPECT_EQ (logging.log.joinIntoString (", "), juce::String (c.expectedLog)) << c.what;
    }
}

TEST_F (MidiLayerTest, SendsGoToEveryOpenOutputInIndexOrder)
{
    MainComponent component (service);
    openAll (component);
    component.closeDevice (false, 1);

    const auto message = juce::MidiMessage::noteOn (1, 60, (uint8_t) 100);
    component.sendToOutputs (message);

    ASSERT_EQ (device.received.size(), 2u);
    EXPECT_EQ (device.received[0].pairIndex, 0);
    EXPECT_EQ (device.received[1].pairIndex, 2);

    for (const auto& r : device.received)
    {
        EXPECT_EQ (r.bytes, bytesOf (message));
        EXPECT_TRUE (r.onMessageThread) << "handed to the device on the sender's thread";
    }
}

TEST_F (MidiLayerTest, NoPortsMeansNothingSentOrReceived)
{
    VirtualMidiService empty;
    HandOffProbe component (empty);
    openAll (component);
    component.sendToOutputs (juce::MidiMessage::midiClock());
    testing_support::runMessageLoopFor (50);

    EXPECT_EQ (component.midiInputs.size(), 0);
    EXPECT_EQ (component.midiOutputs.size(), 0);
    EXPECT_TRUE (component.delivered.empty());
}

TEST_F (MidiLayerTest, APortThatFailsToOpenStaysClosedWithoutNotice)
{
    testing_support::AlertCatcher alerts;
    service.setOpenFailure (1, true);
    service.setOpenFailure (2, false, true);

    HandOffProbe component (service);
    openAll (component);

    ASSERT_EQ (component.midiInputs.size(), 3) << "a port that fails keeps its index";
    EXPECT_EQ (component.midiInputs[1]->inputDevice, nullptr);
    EXPECT_EQ (component.midiOutputs[1]->outputDevice, nullptr);
    EXPECT_NE (component.midiInputs[2]->inputDevice, nullptr);
    EXPECT_EQ (component.midiOutputs[2]->outputDevice, nullptr);

    component.sendToOutputs (juce::MidiMessage::midiStart());
    ASSERT_EQ (device.received.size(), 1u);
    EXPECT_EQ (device.received[0].pairIndex, 0);

    service.sendToApplication (1, juce::MidiMessage::midiStop());
    service.sendToApplication (2, juce::MidiMessage::midiContinue());
    ASSERT_TRUE (testing_support::runMessageLoopUntil ([&]
                                                       { return ! component.delivered.empty(); }));
    testing_support::runMessageLoopFor (50);

    ASSERT_EQ (component.delivered.size(), 1u) << "nothing arrives from the input that did not open";
    EXPECT_TRUE (component.delivered[0].message.isMidiContinue());

    // Once the port can be opened, opening it again succeeds.
    service.setOpenFailure (1, false);
    component.openDevice (true, 1);
    EXPECT_NE (component.midiInputs[1]->inputDevice, nullptr);

    EXPECT_TRUE (alerts.alerts.empty());
}

TEST_F (MidiLayerTest, IncomingMessagesReachTheMessageThreadWhole)
{
    struct Case
    {
        const char* what;
        int pairIndex;
        juce::MidiMessage message;
    };

    const Case cases[] = {
        { "note on", 0, juce::MidiMessage::noteOn (3, 64, (uint8_t) 90) },
        { "clock", 1, juce::MidiMessage::midiClock() },
        { "short SysEx", 2, juce::MidiMessage::createSysExMessage ("\x01\x02", 2) },
        { "300-byte SysEx", 1, longSysEx (300) },
    };

    HandOffProbe component (service);
    openAll (component);

    for (const auto& c : cases)
    {
        component.delivered.clear();
        const auto before = juce::Time::getMillisecondCounterHiRes() * 0.001;
        service.sendToApplication (c.pairIndex, c.message);

        ASSERT_TRUE (testing_support::runMessageLoopUntil ([&]
                                                           { return ! component.delivered.empty(); }))
            << c.what;
        const auto after = juce::Time::getMillisecondCounterHiRes() * 0.001;
        testing_support::runMessageLoopFor (20);

        ASSERT_EQ (component.delivered.size(), 1u) << c.what;
        const auto& got = component.delivered[0];
        EXPECT_TRUE (got.onMessageThread) << c.what;
        EXPECT_EQ (got.source, component.midiInputs[c.pairIndex]->inputDevice.get()) << c.what;
        EXPECT_EQ (bytesOf (got.message), bytesOf (c.message)) << c.what;
        EXPECT_GE (got.message.getTimeStamp(), before) << c.what;
        EXPECT_LE (got.message.getTimeStamp(), after) << c.what;
    }
}

TEST_F (MidiLayerTest, ClosingTheComponentClosesEveryPort)
{
    auto component = std::make_unique<MainComponent> (service);
    openAll (*component);
    component.reset();

    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ (service.getNumOpenInputs (i), 0) << pairNames[i];
        EXPECT_EQ (service.getNumOpenOutputs (i), 0) << pairNames[i];
    }
}

TEST_F (MidiLayerTest, InputCallbackRunsOffTheMessageThreadAndNeverAfterStop)
{
    ThreadProbe probe;
    auto input = service.openInput (service.getAvailableInputs()[0].identifier, probe);
    ASSERT_NE (input, nullptr);

    service.sendToApplication (0, juce::MidiMessage::midiClock());
    juce::Thread::sleep (50);
    EXPECT_EQ (probe.calls.load(), 0) << "nothing is delivered before start()";

    input->start();
    service.sendToApplication (0, juce::MidiMessage::midiClock());
    ASSERT_TRUE (testing_support::runMessageLoopUntil ([&]
                                                       { return probe.calls.load() == 1; }));
    EXPECT_FALSE (probe.ranOnMessageThread.load());

    // stop() while a delivery is in progress waits for it, and nothing follows.
    probe.sleepMs = 50;
    for (int i = 0; i < 5; ++i)
        service.sendToApplication (0, juce::MidiMessage::midiClock());

    ASSERT_TRUE (testing_support::runMessageLoopUntil ([&]
                                                       { return probe.inCallback.load(); }));
    input->stop();
    EXPECT_FALSE (probe.inCallback.load());
    const int callsAtStop = probe.calls.load();
    juce::Thread::sleep (300);
    EXPECT_EQ (probe.calls.load(), callsAtStop);
    EXPECT_LT (callsAtStop, 6);

    // Destroying an input stops it too.
    input->start();
    service.sendToApplication (0, juce::MidiMessage::midiClock());
    ASSERT_TRUE (testing_support::runMessageLoopUntil ([&]
                                                       { return probe.inCallback.load(); }));
    input.reset();
    EXPECT_FALSE (probe.inCallback.load());
    EXPECT_EQ (service.getNumOpenInputs (0), 0);
}

TEST_F (MidiLayerTest, DelayedMessagesArriveWhenDueAndInOrder)
{
    HandOffProbe component (service);
    openAll (component);

    service.sendToApplication (0, juce::MidiMessage::noteOn (1, 1, (uint8_t) 1), 80.0);
    service.sendToApplication (0, juce::MidiMessage::noteOn (1, 2, (uint8_t) 1));
    service.sendToApplication (0, juce::MidiMessage::noteOn (1, 3, (uint8_t) 1));
    const auto sent = juce::Time::getMillisecondCounterHiRes() * 0.001;

    ASSERT_TRUE (testing_support::runMessageLoopUntil ([&]
                                                       { return component.delivered.size() == 3; }));

    const int expectedNotes[] = { 2, 3, 1 };

    for (int i = 0; i < 3; ++i)
        EXPECT_EQ (component.delivered[(size_t) i].message.getNoteNumber(), expectedNotes[i]) << "message " << i;

    EXPECT_GE (component.delivered[2].message.getTimeStamp() - sent, 0.075) << "the delayed message waits its delay";
}
