// Feeds arbitrary MIDI traffic to a whole MainComponent through the real input hand-off: the
// virtual MIDI service's delivery thread, handleIncomingMidiMessage, the posted message and
// handleMessage on the message thread, in every state of the request engine. Built with
// ASan/UBSan, so any access outside the model or a message is a finding; besides that, every
// input checks that what the component sends back is only what its state machine may send in
// answer to a reply (incoming traffic must never change an interface's settings), that it never
// hangs and that the editor's selection stays inside the model.
//
// Start-up (once): an emulated interface behind the fuzz port pair answers a real "Search",
// row selection and "Get Settings"; the filled model and the session are kept as a snapshot.
// From then on the emulated interface is silent and the pair only records what is sent.
//
// Input layout:
//   byte 0   awaited state: 1 + (byte % 11)
//   byte 1   options: bit 0 fill the editor (setGUI); bit 1 monitor ticked; bit 2 send every frame
//            at once instead of one at a time; bit 3 output side in the CC-processor chain;
//            bits 4-7 a selector for the chain's cursor, the preset to load, in the product-name
//            pass the number of listed interfaces and which one is asked, and in states 10 and 11
//            (bit 7) a change awaited behind the command of that state
//   byte 2   editor selection: bits 0-6 port record, bit 7 output side
//   then up to 64 frames, each [fix-ups] [length high] [length low] [bytes]:
//     fix-ups bit 0 header and end byte; bit 1 the interface's address; bit 2 the current
//     session; bit 3 the discovery request's transaction ID, or in states 9 to 11 an awaited
//     command's (the later one when two are awaited and the frame's byte 19 is odd); bit 4 the
//     awaited reply's tested bytes and length; bit 5 the payload length; bit 6 the checksum;
//     bit 7 every byte between F0 and F7 made 7-bit. Any fix-up pads the frame to the 24 bytes
//     of an empty frame.
//
// Seeds: with TESSALINE_FUZZ_WRITE_SEEDS=<folder> set, start-up also loads and saves a preset and
// sends one change, and writes one input per reply the emulated interface gave (and a few whole
// chains) into the folder before fuzzing starts. fuzz/corpus/fuzz_main_component holds them:
//   TESSALINE_FUZZ_WRITE_SEEDS=fuzz/corpus/fuzz_main_component xvfb-run -a fuzz_main_component -runs=0
//
// Needs an X display (alert boxes are real windows): run it under xvfb-run -a.

#include "app/MainComponent.h"
#include "emulator/EmulatedInterface.h"
#include "emulator/VirtualMidiService.h"
#include "protocol/ProtocolCodes.h"
#include "protocol/RequestTemplates.h"
#include "protocol/SysexMessage.h"
#include "support/WindowManagerAtoms.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace
{
using Kind = EmulatedInterface::RequestKind;
using Bytes = std::vector<uint8_t>;

constexpr int maxFramesPerInput = 64;
constexpr int maxFrameSize = 1024;
constexpr int hangTimeoutMs = 30000;
constexpr int logLinesBeforeClearing = 2000;

enum FixUp : uint8_t
{
    fixHeader = 0x01,
    fixAddress = 0x02,
    fixSession = 0x04,
    fixTransaction = 0x08,
    fixReplyShape = 0x10,
    fixLength = 0x20,
    fixChecksum = 0x40,
    fixSevenBit = 0x80
};

enum Option : uint8_t
{
    optionFillEditor = 0x01,
    optionMonitor = 0x02,
    optionBurst = 0x04,
    optionOutputSide = 0x08
};

[[noreturn]] void fail (const char* what)
{
    std::fprintf (stderr, "fuzz_main_component: %s\n", what);
    std::abort();
}

// ---- The awaited replies: what "fix the reply shape" writes -------------------------------------
struct Shape
{
    int length; // payload length
    bool lengthIsMinimum;
    std::vector<std::pair<int, uint8_t>> bytes;
};

const Shape* shapeFor (uint8_t state)
{
    // clang-format off
    static const Shape shapes[] = {
        /* 1 */ { 23,  false, { { 22, 0x41 }, { 23, 0x01 }, { 38, 0x01 }, { 42, 0x02 }, { 44, 0x0F } } },
        /* 2 */ { 8,   true,  { { 22, 0x43 }, { 23, 0x02 }, { 26, 0x03 }, { 29, 0x01 } } },
        /* 3 */ { 12,  false, { { 22, 0x43 }, { 23, 0x05 }, { 26, 0x03 }, { 29, 0x01 }, { 32, 0x12 } } },
        /* 4 */ { 12,  false, { { 22, 0x43 }, { 23, 0x02 }, { 26, 0x03 }, { 29, 0x0B }, { 32, 0x14 } } },
        /* 5 */ { 9,   false, { { 22, 0x43 }, { 23, 0x03 }, { 26, 0x03 }, { 29, 0x01 } } },
        /* 6 */ { 13,  true,  { { 22, 0x43 }, { 23, 0x03 }, { 26, 0x04 }, { 28, 0x09 }, { 31, 0x03 }, { 34, 0x02 } } },
        /* 7 */ { 33,  true,  { { 22, 0x43 }, { 23, 0x06 }, { 26, 0x04 }, { 28, 0x05 }, { 31, 0x03 }, { 34, 0x01 },
                                { 37, 0x02 }, { 41, 0x05 }, { 44, 0x08 }, { 47, 0x09 } } },
        /* 8 */ { 165, false, { { 22, 0x43 }, { 23, 0x06 }, { 26, 0x04 }, { 28, 0x05 }, { 30, 0x0A }, { 33, 0x03 } } },
        /* 9 */ { 5,   false, { { 22, 0x40 }, { 23, 0x00 } } },
    };
    // clang-format on

    if (state >= AwaitingLoadPresetAck && state <= AwaitingChangeAck)
        return &shapes[8];

    if (state >= Discovering && state <= AwaitingCCProcessorInfo)
        return &shapes[state - 1];

    return nullptr;
}

void writeGroups (Bytes& frame, int position, uint32_t value, int count)
{
    for (int i = count; --i >= 0;)
    {
        frame[(size_t) position + (size_t) i] = (uint8_t) (value & 0x7F);
        value >>= 7;
    }
}

// ---- The devices behind the port pairs ----------------------------------------------------------

// Behind the fuzz pair: while an emulated interface is set, it answers; otherwise every frame the
// component sends is recorded.
class FuzzDevice : public VirtualMidiService::Device
{
public:
    struct Reply
    {
        uint8_t awaitedState;
        juce::MidiMessage message;
    };

    // Message thread (the component's sends).
    void receivedFromApplication (int pairIndex, const juce::MidiMessage& message) override
    {
        if (emulated == nullptr)
        {
            sent.emplace_back (message.getRawData(), message.getRawData() + message.getRawDataSize());
            return;
        }

        for (auto& reply : emulated->handleRequest (message))
        {
            replies.push_back ({ awaitedState != nullptr ? *awaitedState : (uint8_t) 0, reply });
            service->sendToApplication (pairIndex, reply);
        }
    }

    VirtualMidiService* service = nullptr;
    EmulatedInterface* emulated = nullptr;
    const uint8_t* awaitedState = nullptr;
    std::vector<Reply> replies;
    std::vector<Bytes> sent;
};

// The application's end of the sentinel pair is opened by the harness only: the delivery thread
// hands it the sentinel after every frame sent before it.
class Sentinel : public MidiPortInputCallback
{
public:
    void handleIncomingMidiMessage (MidiPortInput*, const juce::MidiMessage&) override
    {
        seen.fetch_add (1, std::memory_order_release);
    }

    std::atomic<int> seen { 0 };
};

class Marker : public juce::MessageListener
{
public:
    void handleMessage (const juce::Message&) override { ++handled; }

    int handled = 0;
};

// Dismisses every alert box as soon as it is up, as a user clicking "Shucks" would.
class AlertDismisser : private juce::Timer
{
public:
    AlertDismisser() { startTimer (1); }
    ~AlertDismisser() override { stopTimer(); }

    int dismissed = 0;

private:
    void timerCallback() override
    {
        auto& modal = *juce::ModalComponentManager::getInstance();

        for (int i = modal.getNumModalComponents(); --i >= 0;)
        {
            if (auto* alert = dynamic_cast<juce::AlertWindow*> (modal.getModalComponent (i)))
            {
                alert->exitModalState (0);
                ++dismissed;
            }
        }
    }
};

// ---- The harness ---------------------------------------------------------------------------------
struct Snapshot
{
    zun::CCProcessorBlock block;
    uint8_t requestCursor = 0;
    uint8_t ccParmId = 0;
    juce::String productName;
    uint32_t sessionId = 0;
    uint32_t serialNumber = 0;
    uint16_t productId = 0;
    uint32_t transactionId = 0;
    int32_t discoveryTransactionId = 0;
    zun::DiscoveredDevice device;
};

void runLoopUntil (const std::function<bool()>& done, const char* what)
{
    const auto end = juce::Time::getMillisecondCounterHiRes() + hangTimeoutMs;

    while (! done())
    {
        if (juce::Time::getMillisecondCounterHiRes() > end)
            fail (what);

        juce::MessageManager::getInstance()->runDispatchLoopUntil (0);
    }
}

struct Harness
{
    Harness()
    {
        device.service = &service;
        fuzzPair = service.addPortPair ("Fuzz Port", &device);
        main = std::make_unique<MainComponent> (service);
        emulated = EmulatedInterface::makeTypical (0x0123, 0x0A5B6C7D, "Tessaline Fuzz Interface");
        emulated->setLogging (false);
    }

    // The real read-out, through the real message loop.
    void readOut()
    {
        device.emulated = emulated.get();
        device.awaitedState = &main->requestState;

        main->searchClicked();
        runLoopUntil ([this]
                      { return main->requestState == Idle && ! main->discoveryItem.devices.isEmpty(); },
                      "the discovery at start-up did not end");

        main->deviceSelector->selectRow (0);
        main->getSettingsClicked();
        runLoopUntil ([this]
                      { return main->requestState == Idle && main->guiPopulated; },
                      "the settings read at start-up did not end");

        auto& c = main->deviceContainer;
        snapshot.block = c.block;
        snapshot.requestCursor = c.requestCursor;
        snapshot.ccParmId = c.ccParmId;
        snapshot.productName = c.productName;
        snapshot.sessionId = c.sysexMessage.sessionId;
        snapshot.serialNumber = c.sysexMessage.serialNumber;
        snapshot.productId = c.sysexMessage.productId;
        snapshot.transactionId = c.sysexMessage.transactionId;
        snapshot.discoveryTransactionId = main->midiOutputs[fuzzPair]->discoveryTransactionId;
        snapshot.device = *main->discoveryItem.devices.getFirst();
    }

    // Only for writing seeds: the acknowledgements of a preset load (and the port and CC-processor
    // re-read after it), a preset save and a change. Each waits for the replies it brings and the idle
    // state: one dispatch may handle a click and the reply to it together.
    void collectAcknowledgements()
    {
        const auto repliesAfter = [this] (size_t expected)
        {
            runLoopUntil ([this, expected]
                          { return main->requestState == Idle && device.replies.size() >= expected; },
                          "a preset command or change did not end");
        };

        const size_t reread = 3 * (size_t) juce::jmax (1, main->deviceContainer.block.BoundedPortCount());

        auto before = device.replies.size();
        main->loadPresetClicked();
        repliesAfter (before + 1 + reread);

        before = device.replies.size();
        main->savePresetClicked();
        repliesAfter (before + 1);

        before = device.replies.size();
        main->channelToggles[0][0].triggerClick();
        repliesAfter (before + 1);
    }

    // From here on the emulated interface is silent; the sentinel pair is added after the component
    // listed its ports, so only the harness ever opens it.
    void startFuzzing()
    {
        device.emulated = nullptr;
        device.replies.clear();
        device.replies.shrink_to_fit();

        sentinelPair = service.addPortPair ("Sentinel", nullptr);
        sentinelInput = service.openInput (service.getAvailableInputs()[sentinelPair].identifier, sentinel);

        if (sentinelInput == nullptr)
            fail ("the sentinel input did not open");

        sentinelInput->start();
    }

    // Puts the component into `state` with what that state needs, from the snapshot.
    void restore (uint8_t state, uint8_t options, uint8_t editor)
    {
        auto& mc = *main;
        auto& c = mc.deviceContainer;
        auto& block = c.block;
        auto& builder = c.sysexMessage;
        const int selector = options >> 4;

        // Nothing of the input before may still be awaited or pausing.
        mc.abandonAwaitedReplies();

        block = snapshot.block;
        c.requestCursor = snapshot.requestCursor;
        c.ccParmId = snapshot.ccParmId;
        c.productName = snapshot.productName;
        builder.sessionId = snapshot.sessionId;
        builder.serialNumber = snapshot.serialNumber;
        builder.productId = snapshot.productId;
        builder.transactionId = snapshot.transactionId; // every input sees the same IDs

        mc.discoveryItem.devices.clear();
        mc.discoveryItem.devices.add (new zun::DiscoveredDevice (snapshot.device));
        mc.discoveryItem.currentIndex = 0;

        mc.openDevice (true, fuzzPair);
        mc.openDevice (false, fuzzPair);
        mc.midiOutputs[fuzzPair]->discoveryTransactionId = snapshot.discoveryTransactionId;

        mc.showMidiMessagesToggle.setToggleState ((options & optionMonitor) != 0, juce::dontSendNotification);

        if (mc.logLineCount > logLinesBeforeClearing)
            mc.clearLog();

        if (state <= ReadingProductNames)
        {
            // As "Search" leaves it: no session, no target, an empty model and editor.
            builder.sessionId = 0;
            builder.serialNumber = 0;
            builder.productId = 0;
            block.Empty();
            c.requestCursor = 0;
            c.ccParmId = 0;

            if (state == Discovering)
            {
                mc.discoveryItem.devices.clear();
            }
            else
            {
                // Up to three more interfaces behind the same pair, and the one being asked.
                const int extra = selector & 0x03;

                for (int k = 1; k <= extra; ++k)
                {
                    auto* other = new zun::DiscoveredDevice (snapshot.device);
                    other->serialNumber += (uint32_t) k;
                    mc.discoveryItem.devices.add (other);
                }

                mc.discoveryItem.currentIndex = (selector >> 2) % mc.discoveryItem.devices.size();
            }

            mc.clrGUI();
        }
        else
        {
            const int ports = juce::jmax (1, block.BoundedPortCount());
            const int presets = juce::jmax (1, block.BoundedPresetCount());

            switch (state)
            {
            case AwaitingMidiInfo:
            case AwaitingDeviceInfo:
            case AwaitingDeviceFeature:
                c.requestCursor = 0;
                c.ccParmId = 0;
                break;
            case AwaitingPresetNames:
                c.requestCursor = (uint8_t) (1 + selector % presets);
                break;
            case AwaitingPortInfo:
                c.requestCursor = (uint8_t) (1 + selector % ports);
                break;
            case AwaitingCCProcessorInfo:
                c.requestCursor = (uint8_t) (1 + selector % ports);
                c.ccParmId = (options & optionOutputSide) != 0 ? zun::ParmId::OutputCCProcessor
                                                               : zun::ParmId::InputCCProcessor;
                break;
            case AwaitingLoadPresetAck:
                block.requestedPreset = (uint8_t) (1 + selector % presets);
                break;
            default:
                break;
            }

            if (state >= AwaitingLoadPresetAck && state <= AwaitingChangeAck)
            {
                // The command of this state awaits its acknowledgement, and after a save or a change
                // perhaps a change behind it (nothing can be sent while a load awaits its answer).
                // Requests sent later carry later IDs.
                const auto id = builder.transactionId;
                mc.awaitedAcknowledgements.push_back ({ state, id });

                if (state != AwaitingLoadPresetAck && (selector & 0x08) != 0)
                    mc.awaitedAcknowledgements.push_back ({ AwaitingChangeAck, (id + 1) & zun::Frame::idMask });

                builder.transactionId = (id + 2) & zun::Frame::idMask;
            }

            if ((options & optionFillEditor) != 0)
            {
                block.selectedPortIndex = (uint8_t) ((editor & 0x7F) % ports);
                block.selectedSide = (uint8_t) (editor >> 7);
                mc.setGUI();
            }
            else
            {
                mc.clrGUI();
            }
        }

        mc.requestState = state;
        device.sent.clear();
    }

    // One frame as the input describes it, with the fix-ups it asks for.
    juce::MidiMessage makeFrame (uint8_t fixUps, const uint8_t* data, int size) const
    {
        Bytes frame (data, data + size);
        const auto& mc = *main;

        if (fixUps == 0)
            return juce::MidiMessage (frame.data(), (int) frame.size());

        const auto* shape = (fixUps & fixReplyShape) != 0 ? shapeFor (mc.requestState) : nullptr;

        if (shape != nullptr)
        {
            const auto wanted = (size_t) (shape->length + zun::Frame::overhead);

            if (! shape->lengthIsMinimum || frame.size() < wanted)
                frame.resize (wanted, 0);
        }

        if (frame.size() < (size_t) zun::Frame::overhead)
            frame.resize ((size_t) zun::Frame::overhead, 0);

        const auto& builder = mc.deviceContainer.sysexMessage;

        if ((fixUps & fixHeader) != 0)
        {
            const uint8_t header[] = { 0xF0, 0x00, 0x6D, 0x39, 0x7D };
            std::copy (std::begin (header), std::end (header), frame.begin());
            frame.back() = 0xF7;
        }

        if ((fixUps & fixAddress) != 0)
        {
            const auto& target = snapshot.device;
            writeGroups (frame, zun::Frame::productIdPos, target.productId, 2);
            frame[zun::Frame::serialNumberPos] = (uint8_t) (target.serialNumber >> 28);
            writeGroups (frame, zun::Frame::serialNumberPos + 1, target.serialNumber, 4);
        }

        if ((fixUps & fixSession) != 0)
            writeGroups (frame, zun::Frame::sessionIdPos, builder.sessionId, 4);

        if ((fixUps & fixTransaction) != 0)
        {
            const auto& awaited = mc.awaitedAcknowledgements;
            auto id = (uint32_t) mc.midiOutputs[fuzzPair]->discoveryTransactionId;

            if (! awaited.empty())
                id = awaited.size() > 1 && (frame[zun::Frame::transactionIdPos + 3] & 1) != 0 ? awaited.back().transactionId
                                                                                              : awaited.front().transactionId;

            writeGroups (frame, zun::Frame::transactionIdPos, id, 4);
        }

        if (shape != nullptr)
            for (const auto& [position, value] : shape->bytes)
                if ((size_t) position + 2 < frame.size())
                    frame[(size_t) position] = value;

        if ((fixUps & fixSevenBit) != 0)
            for (size_t i = 1; i + 1 < frame.size(); ++i)
                frame[i] &= 0x7F;

        if ((fixUps & fixLength) != 0)
            writeGroups (frame, zun::Frame::payloadLengthPos, (uint32_t) (frame.size() - zun::Frame::overhead), 2);

        if ((fixUps & fixChecksum) != 0)
        {
            unsigned int sum = 0;

            for (size_t i = zun::Frame::productIdPos; i + 2 < frame.size(); ++i)
                sum += frame[i];

            frame[frame.size() - 2] = (uint8_t) ((0u - sum) & 0x7F);
        }

        return juce::MidiMessage (frame.data(), (int) frame.size());
    }

    // Waits until every frame sent so far has been through handleMessage: the sentinel follows
    // them on the one delivery thread, so once it arrived their messages are posted; the marker
    // posted then is handled after them.
    void waitUntilHandled()
    {
        const int expected = ++sentinelsSent;
        service.sendToApplication (sentinelPair, juce::MidiMessage::midiClock());

        const auto end = juce::Time::getMillisecondCounterHiRes() + hangTimeoutMs;

        while (sentinel.seen.load (std::memory_order_acquire) < expected)
        {
            if (juce::Time::getMillisecondCounterHiRes() > end)
                fail ("the delivery thread stopped delivering");

            std::this_thread::yield();
        }

        const int handled = marker.handled + 1;
        marker.postMessage (new juce::Message());
        runLoopUntil ([this, handled]
                      { return marker.handled >= handled; },
                      "a message was not handled in time: the message thread hangs");

        // A pause that started is not waited out: it falls due at once, and the work after it goes on.
        if (main->pendingPause != Pause::none)
        {
            main->pauseDueAt = 0.0;
            main->pauseFallingDue();
        }
    }

    // Everything the component sent since restore must be a request its state machine sends in
    // answer to a reply, well framed, with numbers inside the model.
    void checkInvariants (uint8_t startState) const
    {
        const auto& mc = *main;
        const auto& block = mc.deviceContainer.block;

        if (mc.requestState > AwaitingChangeAck)
            fail ("requestState left the values the system writes");

        if (block.selectedPortIndex >= zun::CCProcessorBlock::maxPorts)
            fail ("selectedPortIndex points past the port records");

        if (block.selectedSide > 1)
            fail ("selectedSide is neither side");

        for (const auto& frame : device.sent)
        {
            const int n = (int) frame.size();

            if (n < zun::Frame::overhead + 1 || frame[0] != 0xF0 || frame[(size_t) n - 1] != 0xF7)
                fail ("a sent frame is not a System Exclusive frame");

            const int payloadLength = zun::Frame::PayloadLength (frame.data());

            if (payloadLength != n - zun::Frame::overhead)
                fail ("a sent frame's length does not match its size");

            unsigned int sum = 0;

            for (int i = 1; i < n - 1; ++i)
            {
                if (frame[(size_t) i] >= 0x80)
                    fail ("a sent frame carries a byte of 0x80 or more");

                if (i >= zun::Frame::productIdPos)
                    sum += frame[(size_t) i];
            }

            if ((sum & 0x7F) != 0)
                fail ("a sent frame's checksum is wrong");

            const auto* payload = frame.data() + zun::Frame::payloadPos;
            const auto kind = EmulatedInterface::classifyPayload (payload, payloadLength);
            bool allowed = false;

            switch (startState)
            {
            case ReadingProductNames:
                allowed = kind == Kind::GetProductName;
                break;
            case AwaitingMidiInfo:
            case AwaitingDeviceInfo:
            case AwaitingDeviceFeature:
            case AwaitingPresetNames:
            case AwaitingPortInfo:
            case AwaitingCCProcessorInfo:
                allowed = kind == Kind::GetSettingsDI || kind == Kind::GetSettingsDF || kind == Kind::GetSettingsPresetName || kind == Kind::GetSettingsMIDIPortInfo || kind == Kind::GetSettingsCCProcessorInfo;
                break;
            case AwaitingLoadPresetAck:
                allowed = kind == Kind::GetSettingsMIDIPortInfo || kind == Kind::GetSettingsCCProcessorInfo;
                break;
            default: // discovery and the other acknowledgements are answered with nothing
                break;
            }

            if (! allowed)
            {
                std::fprintf (stderr, "sent %s in answer to traffic, starting in state %d\n",
                              EmulatedInterface::getRequestKindName (kind), (int) startState);
                fail ("incoming MIDI made the component send a request its state does not send");
            }

            const int number = payload[7];

            if (kind == Kind::GetSettingsPresetName && (number < 1 || number > zun::CCProcessorBlock::maxPresets))
                fail ("a preset-name request names a preset outside the model");

            if (kind == Kind::GetSettingsMIDIPortInfo && (number < 1 || number > zun::CCProcessorBlock::maxPorts))
                fail ("a port-info request names a port outside the model");

            if (kind == Kind::GetSettingsCCProcessorInfo && number > zun::CCProcessorBlock::maxPorts)
                fail ("a CC-processor request names a port outside the model");
        }
    }

    void run (const uint8_t* data, size_t size)
    {
        if (size < 3)
            return;

        const auto state = (uint8_t) (1 + data[0] % 11);
        const auto options = data[1];
        const auto editor = data[2];

        restore (state, options, editor);

        size_t pos = 3;
        int frames = 0;
        const bool burst = (options & optionBurst) != 0;

        while (pos + 3 <= size && frames < maxFramesPerInput)
        {
            const auto fixUps = data[pos];
            const int wanted = ((data[pos + 1] << 8) | data[pos + 2]) % maxFrameSize;
            pos += 3;
            const int length = (int) juce::jmin ((size_t) wanted, size - pos);
            const auto* bytes = data + pos;
            pos += (size_t) length;

            if (length == 0 && fixUps == 0)
                continue;

            service.sendToApplication (fuzzPair, makeFrame (fixUps, bytes, length));
            ++frames;

            if (! burst)
                waitUntilHandled();
        }

        if (burst)
            waitUntilHandled();

        checkInvariants (state);
    }

    VirtualMidiService service;
    FuzzDevice device;
    int fuzzPair = 0;
    int sentinelPair = -1;
    Sentinel sentinel;
    std::unique_ptr<MidiPortInput> sentinelInput;
    int sentinelsSent = 0;
    Marker marker;
    std::unique_ptr<EmulatedInterface> emulated;
    std::unique_ptr<MainComponent> main;
    AlertDismisser dismisser;
    Snapshot snapshot;
};

juce::ScopedJuceInitialiser_GUI* juceInitialiser = nullptr;
Harness* harness = nullptr;

// ---- Seeds ---------------------------------------------------------------------------------------
void appendFrame (Bytes& input, uint8_t fixUps, const juce::MidiMessage& message)
{
    const int n = message.getRawDataSize();
    input.push_back (fixUps);
    input.push_back ((uint8_t) (n >> 8));
    input.push_back ((uint8_t) (n & 0xFF));
    input.insert (input.end(), message.getRawData(), message.getRawData() + n);
}

// Replies carry the session of the read at start-up, which differs from run to run: the seeds
// ask for the current session (or the discovery request's ID), an acknowledgement for the awaited
// command's ID, and a fresh checksum.
uint8_t seedFixUps (uint8_t state)
{
    if (state == Discovering)
        return (uint8_t) (fixTransaction | fixChecksum);

    if (state >= AwaitingLoadPresetAck)
        return (uint8_t) (fixSession | fixTransaction | fixChecksum);

    return (uint8_t) (fixSession | fixChecksum);
}

void writeSeed (const juce::File& folder, const juce::String& name, const Bytes& input)
{
    folder.getChildFile (name).replaceWithData (input.data(), input.size());
}

void writeSeeds (const juce::File& folder, const std::vector<FuzzDevice::Reply>& replies)
{
    folder.createDirectory();
    int index = 0;

    // One input per reply, in the state that awaited it; the re-read after the loaded preset only
    // goes into its chain below.
    bool presetLoaded = false;

    for (const auto& reply : replies)
    {
        presetLoaded = presetLoaded || reply.awaitedState == AwaitingLoadPresetAck;

        if (presetLoaded && (reply.awaitedState == AwaitingPortInfo || reply.awaitedState == AwaitingCCProcessorInfo))
            continue;

        Bytes input { (uint8_t) (reply.awaitedState - 1), optionMonitor, 0 };

        if (reply.awaitedState >= AwaitingLoadPresetAck)
            input[1] |= optionFillEditor;

        appendFrame (input, seedFixUps (reply.awaitedState), reply.message);
        writeSeed (folder, juce::String::formatted ("reply-%02d-state-%d", index, (int) reply.awaitedState), input);
        ++index;
    }

    // Whole chains: the settings read from its first reply, and the re-read after a loaded preset
    // from its acknowledgement on.
    auto chain = [&] (size_t first, uint8_t options, const char* name)
    {
        Bytes input { (uint8_t) (replies[first].awaitedState - 1), options, 0 };
        int count = 0;

        for (size_t i = first; i < replies.size() && count < maxFramesPerInput; ++i)
        {
            const auto state = replies[i].awaitedState;

            if (i > first && state != AwaitingDeviceInfo && state != AwaitingDeviceFeature && state != AwaitingPresetNames && state != AwaitingPortInfo && state != AwaitingCCProcessorInfo)
                break;

            appendFrame (input, seedFixUps (state), replies[i].message);
            ++count;
        }

        writeSeed (folder, name, input);
        ++index;
    };

    for (size_t i = 0; i < replies.size(); ++i)
    {
        if (replies[i].awaitedState == AwaitingMidiInfo)
        {
            chain (i, optionMonitor, "chain-settings-read");
            chain (i, optionBurst, "chain-settings-read-burst");
            break;
        }
    }

    for (size_t i = 0; i < replies.size(); ++i)
    {
        if (replies[i].awaitedState == AwaitingLoadPresetAck)
        {
            chain (i, optionMonitor | optionFillEditor, "chain-preset-load");
            break;
        }
    }

    // A change's acknowledgement carrying the ID of the change awaited behind it, and one carrying
    // no awaited ID.
    for (const auto& reply : replies)
    {
        if (reply.awaitedState != AwaitingChangeAck)
            continue;

        const auto* raw = reply.message.getRawData();
        Bytes later (raw, raw + reply.message.getRawDataSize());
        later[zun::Frame::transactionIdPos + 3] |= 0x01;
        Bytes input { (uint8_t) (AwaitingChangeAck - 1), optionMonitor | optionFillEditor | 0x80, 0 };
        appendFrame (input, seedFixUps (AwaitingChangeAck), juce::MidiMessage (later.data(), (int) later.size()));
        writeSeed (folder, "ack-of-a-later-command", input);

        input = { (uint8_t) (AwaitingChangeAck - 1), optionMonitor | optionFillEditor, 0 };
        appendFrame (input, fixSession | fixChecksum, reply.message);
        writeSeed (folder, "ack-of-no-awaited-command", input);
        index += 2;
        break;
    }

    // Ordinary traffic next to the interface: clock, notes, a controller, another maker's SysEx.
    const uint8_t otherManufacturer[] = { 0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7 };
    Bytes foreign { (uint8_t) (AwaitingPortInfo - 1), optionMonitor | optionBurst, 0 };
    appendFrame (foreign, 0, juce::MidiMessage::midiClock());
    appendFrame (foreign, 0, juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100));
    appendFrame (foreign, 0, juce::MidiMessage::noteOff (1, 60, (juce::uint8) 0));
    appendFrame (foreign, 0, juce::MidiMessage::controllerEvent (2, 7, 90));
    appendFrame (foreign, 0, juce::MidiMessage (otherManufacturer, (int) sizeof (otherManufacturer)));
    writeSeed (folder, "foreign-traffic", foreign);
    ++index;

    std::printf ("fuzz_main_component: wrote %d seeds into %s\n", index, folder.getFullPathName().toRawUTF8());
}
} // namespace

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    if (std::getenv ("DISPLAY") == nullptr)
        fail ("needs an X display for its alert boxes: run it under xvfb-run -a");

    testing_support::installApplicationXErrorHandlers();
    testing_support::internWindowManagerAtoms();

    // JUCE lives as long as the process; the harness is never destroyed either, so nothing of it
    // can be torn down behind a delivery still in flight at exit. Both are held in statics, where
    // leak detection finds them still in use.
    juceInitialiser = new juce::ScopedJuceInitialiser_GUI();
    harness = new Harness();
    harness->readOut();

    if (const char* seedFolder = std::getenv ("TESSALINE_FUZZ_WRITE_SEEDS"))
    {
        harness->collectAcknowledgements();
        writeSeeds (juce::File::getCurrentWorkingDirectory().getChildFile (seedFolder), harness->device.replies);
        harness->readOut();
    }

    harness->startFuzzing();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    harness->run (data, size);
    return 0;
}
