#include "emulator/EmulatedInterface.h"

#include <algorithm>
#include <array>
#include <deque>
#include <string>

// The emulated interface frames, checks and parses its own messages, independently of the
// protocol library, so that tests running the two against each other check both.

namespace
{
using RequestKind = EmulatedInterface::RequestKind;

constexpr uint8_t frameHeader[] = { 0xF0, 0x00, 0x6D, 0x39, 0x7D };
constexpr int headerSize = 5;
constexpr int frameOverhead = 24;   // everything but the payload
constexpr int payloadStart = 22;
constexpr int maxPayloadLength = 488; // a 512-byte frame less its framing
constexpr size_t maxLogEntries = 8192; // the oldest entries go first

constexpr int numKinds = (int) RequestKind::Unknown;

// Longest texts the interface sends, so every block and item length stays 7-bit and the port-info
// reply's names stay well inside the first 256 bytes of the frame.
constexpr size_t maxProductNameBytes = 100;
constexpr size_t maxPresetNameBytes = 100;
constexpr size_t maxPortNameBytes = 50;

// Codes the interface uses.
namespace Code
{
    constexpr uint8_t classHstSesnVal = 0x01;
    constexpr uint8_t classGetParmVal = 0x03;
    constexpr uint8_t classSetParmVal = 0x10;
    constexpr uint8_t classSetCmdVal = 0x11;
    constexpr uint8_t classAck = 0x40;
    constexpr uint8_t classDevSesnVal = 0x41;
    constexpr uint8_t classRetParmVal = 0x43;

    constexpr uint8_t dataNone = 0x00;
    constexpr uint8_t dataSessionInfo = 0x01;
    constexpr uint8_t dataDeviceInfo = 0x02;
    constexpr uint8_t dataDeviceFeature = 0x03;
    constexpr uint8_t dataMIDIInfo = 0x05;
    constexpr uint8_t dataMIDIPortInfo = 0x06;

    constexpr uint8_t blockParmVal = 0x03;
    constexpr uint8_t blockArgVal = 0x04;

    constexpr uint8_t argPort = 0x05;
    constexpr uint8_t argPreset = 0x09;

    constexpr uint8_t parmInputCC = 0x12;
    constexpr uint8_t parmOutputCC = 0x13;
    constexpr uint8_t parmInputFlags = 0x08;
    constexpr uint8_t parmOutputFlags = 0x09;

    constexpr uint8_t errorNone = 0;
    constexpr uint8_t errorArgValueInvalid = 9;
    constexpr uint8_t errorParmIDInvalid = 10;
    constexpr uint8_t errorCmdValueInvalid = 14;
    constexpr uint8_t errorSubIDValueInvalid = 18;
} // namespace Code

const char* messageClassName (uint8_t code)
{
    switch (code)
    {
        case Code::classHstSesnVal: return "HstSesnVal";
        case Code::classGetParmVal: return "GetParmVal";
        case Code::classSetParmVal: return "SetParmVal";
        case Code::classSetCmdVal: return "SetCmdVal";
        case Code::classAck: return "Ack";
        case Code::classDevSesnVal: return "DevSesnVal";
        case Code::classRetParmVal: return "RetParmVal";
        default: return "MC?";
    }
}

const char* dataClassName (uint8_t code)
{
    switch (code)
    {
        case Code::dataNone: return "None";
        case Code::dataSessionInfo: return "SessionInfo";
        case Code::dataDeviceInfo: return "DeviceInfo";
        case Code::dataDeviceFeature: return "DeviceFeature";
        case Code::dataMIDIInfo: return "MIDIInfo";
        case Code::dataMIDIPortInfo: return "MIDIPortInfo";
        default: return "DC?";
    }
}

juce::String toHex (const uint8_t* bytes, size_t count)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve (count * 3);

    for (size_t i = 0; i < count; ++i)
    {
        if (i > 0)
            text += ' ';

        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }

    return juce::String (text);
}

//==============================================================================
// Frames

struct Frame
{
    uint16_t productId = 0;
    uint32_t serialNumber = 0;
    uint32_t sessionId = 0;
    uint32_t transactionId = 0;
    std::vector<uint8_t> payload;
};

uint32_t readGroups (const uint8_t* bytes, int count)
{
    uint32_t value = 0;

    for (int i = 0; i < count; ++i)
        value = (value << 7) | (bytes[i] & 0x7Fu);

    return value;
}

void writeGroups (uint8_t* bytes, uint32_t value, int count)
{
    for (int i = 0; i < count; ++i)
        bytes[i] = (uint8_t) ((value >> (7 * (count - 1 - i))) & 0x7F);
}

// Accepts a frame with the header, a payload of at least one byte whose length the length field
// gives, 7-bit bytes between F0 and F7, a right checksum and the end byte. Reads nothing beyond
// `size` bytes.
bool decodeFrame (const uint8_t* data, int size, Frame& frame)
{
    if (data == nullptr || size < frameOverhead + 1)
        return false;

    if (! std::equal (frameHeader, frameHeader + headerSize, data))
        return false;

    if (data[size - 1] != 0xF7)
        return false;

    unsigned int sum = 0;

    for (int i = 1; i < size - 1; ++i)
    {
        if (data[i] >= 0x80)
            return false;

        if (i >= headerSize)
            sum += data[i];
    }

    if ((sum & 0x7F) != 0)
        return false;

    const auto length = (int) readGroups (data + 20, 2);

    if (length != size - frameOverhead)
        return false;

    // The serial number's first byte holds bits 31..28 only.
    frame.productId = (uint16_t) readGroups (data + 5, 2);
    frame.serialNumber = ((uint32_t) data[7] << 28) | readGroups (data + 8, 4);
    frame.sessionId = readGroups (data + 12, 4);
    frame.transactionId = readGroups (data + 16, 4);
    frame.payload.assign (data + payloadStart, data + payloadStart + length);
    return true;
}

std::vector<uint8_t> encodeFrame (uint16_t productId, uint32_t serialNumber, uint32_t sessionId,
                                  uint32_t transactionId, const std::vector<uint8_t>& payload)
{
    const auto length = (int) payload.size();
    std::vector<uint8_t> frame ((size_t) (length + frameOverhead));

    std::copy (frameHeader, frameHeader + headerSize, frame.begin());
    writeGroups (&frame[5], productId, 2);
    frame[7] = (uint8_t) ((serialNumber >> 28) & 0x0F);
    writeGroups (&frame[8], serialNumber, 4);
    writeGroups (&frame[12], sessionId, 4);
    writeGroups (&frame[16], transactionId, 4);
    writeGroups (&frame[20], (uint32_t) length, 2);
    std::copy (payload.begin(), payload.end(), frame.begin() + payloadStart);

    unsigned int sum = 0;

    for (int i = headerSize; i < payloadStart + length; ++i)
        sum += frame[(size_t) i];

    frame[(size_t) (payloadStart + length)] = (uint8_t) ((0u - sum) & 0x7F);
    frame.back() = 0xF7;
    return frame;
}

//==============================================================================
// Requests: the payload layouts the interface understands. A byte of -1 is a value the sender
// patches in; -2 is a CC-processor side parm (12 or 13).

constexpr int patched = -1;
constexpr int ccSide = -2;

struct RequestLayout
{
    RequestKind kind;
    std::vector<int> bytes;
};

std::vector<int> ccProcessorInfoLayout()
{
    std::vector<int> bytes { 0x03, 0x06, 0x10, 0x07, 0x04, 0x02, 0x05, patched, 0x0A, 0x01, 0x04, 0x01, 0x01, ccSide };

    for (int n = 2; n <= 8; ++n)
        bytes.insert (bytes.end(), { 0x05, 0x04, 0x01, 0x0A, n, 0x04, 0x01, 0x01, ccSide });

    return bytes;
}

const std::vector<RequestLayout>& requestLayouts()
{
    static const std::vector<RequestLayout> layouts {
        { RequestKind::DeviceDiscovery,            { 0x01, 0x01, 0x01, 0x07, 0x03, 0x01, 0x04, 0x01, 0x04, 0x00 } },
        { RequestKind::GetProductName,             { 0x03, 0x02, 0x01, 0x04, 0x01, 0x01, 0x01 } },
        { RequestKind::GetSettingsMI,              { 0x03, 0x05, 0x01, 0x05, 0x01, 0x02, 0x01, 0x12 } },
        { RequestKind::GetSettingsDI,              { 0x03, 0x02, 0x01, 0x05, 0x01, 0x02, 0x0B, 0x14 } },
        { RequestKind::GetSettingsDF,              { 0x03, 0x03, 0x01, 0x04, 0x01, 0x01, 0x01 } },
        { RequestKind::GetSettingsPresetName,      { 0x03, 0x03, 0x02, 0x05, 0x04, 0x01, 0x09, patched, 0x04, 0x01, 0x01, 0x02 } },
        { RequestKind::GetSettingsMIDIPortInfo,    { 0x03, 0x06, 0x02, 0x05, 0x04, 0x01, 0x05, patched,
                                                     0x0A, 0x01, 0x07, 0x01, 0x02, 0x05, 0x08, 0x09, 0x0A, 0x0B } },
        { RequestKind::GetSettingsCCProcessorInfo, ccProcessorInfoLayout() },
        { RequestKind::SetCCProc,                  { 0x10, 0x06, 0x02, 0x07, 0x04, 0x02, 0x05, patched, 0x0A, patched,
                                                     0x0F, 0x03, 0x01, 0x0C, patched, 0x01, patched, 0x02, patched, patched, patched,
                                                     0x03, patched, 0x04, patched } },
        { RequestKind::SetPortFeatureFlags,        { 0x10, 0x06, 0x02, 0x05, 0x04, 0x01, 0x05, patched, 0x06, 0x03, 0x01, 0x03, patched, patched } },
        { RequestKind::LoadPreset,                 { 0x11, 0x00, 0x01, 0x08, 0x06, 0x01, 0x05, 0x02, 0x43, 0x00, patched } },
        { RequestKind::SavePreset,                 { 0x11, 0x00, 0x01, 0x08, 0x06, 0x01, 0x05, 0x02, 0x03, 0x00, patched } },
    };

    return layouts;
}

bool matchesLayout (const std::vector<int>& layout, const uint8_t* payload, int length)
{
    if ((int) layout.size() != length)
        return false;

    for (int i = 0; i < length; ++i)
    {
        const auto expected = layout[(size_t) i];

        if (expected == patched)
            continue;

        if (expected == ccSide)
        {
            if (payload[i] != Code::parmInputCC && payload[i] != Code::parmOutputCC)
                return false;
        }
        else if (payload[i] != expected)
        {
            return false;
        }
    }

    return true;
}

//==============================================================================
// Replies

// A text as the interface sends it: one byte per character, 7-bit (other characters become '?'),
// at most `maxBytes` long.
std::string toWireText (const juce::String& text, size_t maxBytes)
{
    std::string bytes;

    for (auto p = text.getCharPointer(); ! p.isEmpty() && bytes.size() < maxBytes;)
    {
        const auto c = p.getAndAdvance();
        bytes += (c > 0 && c < 0x80) ? (char) c : '?';
    }

    return bytes;
}

struct PayloadWriter
{
    std::vector<uint8_t> bytes;

    void add (std::initializer_list<int> values)
    {
        for (auto v : values)
            bytes.push_back ((uint8_t) (v & 0x7F));
    }

    // A text item: [length][parm][text], the length counting the whole item.
    void addTextItem (uint8_t parm, const std::string& text)
    {
        add ({ (int) text.size() + 2, parm });

        for (auto c : text)
            bytes.push_back ((uint8_t) c);
    }
};

std::vector<uint8_t> makeAck (uint8_t messageClass, uint8_t dataClass, uint8_t error)
{
    return { Code::classAck, Code::dataNone, messageClass, dataClass, (uint8_t) (error & 0x7F) };
}

EmulatedInterface::Port makeEmptyPort()
{
    EmulatedInterface::Port port;
    port.portType = 0;
    port.jackA = 0;
    port.jackB = 0;
    port.directionFlags = 0;
    return port;
}

// Ports past the typical ten: network sessions with both sides.
EmulatedInterface::Port makeExtraPort (int number)
{
    EmulatedInterface::Port port;
    port.portType = zun::RTP;
    port.jackA = 0;
    port.jackB = (uint8_t) (number & 0x7F);
    port.inputName = "Session " + juce::String (number) + " In";
    port.outputName = "Session " + juce::String (number) + " Out";
    return port;
}

juce::String makeExtraPresetName (int number)
{
    return "Preset " + juce::String (number);
}

zun::CCProcessorRecord makeProcessor (uint8_t mode, uint16_t mask, uint8_t controllerA, uint8_t controllerB)
{
    zun::CCProcessorRecord record;
    record.mode = mode;
    record.channelMask = mask;
    record.controllerA = controllerA;
    record.controllerB = controllerB;
    return record;
}

void numberProcessors (EmulatedInterface::Port& port)
{
    for (int i = 0; i < zun::maxCCProcessorsPerSide; ++i)
    {
        port.inputCCProcessors[i].number = (uint8_t) (i + 1);
        port.outputCCProcessors[i].number = (uint8_t) (i + 1);
    }
}

void copyStoredSettings (const EmulatedInterface::Port& from, EmulatedInterface::Port& to)
{
    to.inputFeatureFlags = from.inputFeatureFlags;
    to.outputFeatureFlags = from.outputFeatureFlags;
    std::copy (std::begin (from.inputCCProcessors), std::end (from.inputCCProcessors), std::begin (to.inputCCProcessors));
    std::copy (std::begin (from.outputCCProcessors), std::end (from.outputCCProcessors), std::begin (to.outputCCProcessors));
}

int clamp7Bit (int value)
{
    return juce::jlimit (0, 127, value);
}
} // namespace

//==============================================================================
struct EmulatedInterface::Impl
{
    struct Attachment
    {
        VirtualMidiService* service;
        int pairIndex;
    };

    std::vector<Attachment> attachments;

    std::array<bool, numKinds> silent {};
    double replyDelayMs = 0.0;
    uint8_t negativeAckCode = 0;
    bool sessionOverride = false;
    uint32_t overrideSessionId = 0;
    bool corruptChecksum = false;
    int reportedPortCount = -1;
    int reportedPresetCount = -1;
    int reportedCCProcessors = -1;

    bool logging = true;
    std::deque<LogEntry> log;
    std::function<void (const juce::String&)> logListener;
    std::vector<juce::String> unreportedLines; // logged under the lock, not yet given to the listener

    void addLog (LogEntry entry)
    {
        if (! logging)
            return;

        if (logListener)
            unreportedLines.push_back (entry.line);

        if (log.size() >= maxLogEntries)
            log.pop_front();

        log.push_back (std::move (entry));
    }

    // Hands the lines logged since the last call to the listener, outside the lock so that the
    // listener may take as long as it likes or call back into the interface.
    void reportNewLines (juce::CriticalSection& lock)
    {
        std::vector<juce::String> lines;
        std::function<void (const juce::String&)> listener;

        {
            const juce::ScopedLock sl (lock);
            lines.swap (unreportedLines);
            listener = logListener;
        }

        if (listener)
            for (const auto& line : lines)
                listener (line);
    }
};

//==============================================================================
const char* EmulatedInterface::getRequestKindName (RequestKind kind)
{
    switch (kind)
    {
        case RequestKind::DeviceDiscovery: return "DeviceDiscovery";
        case RequestKind::GetProductName: return "GetProductName";
        case RequestKind::GetSettingsMI: return "GetSettingsMI";
        case RequestKind::GetSettingsDI: return "GetSettingsDI";
        case RequestKind::GetSettingsDF: return "GetSettingsDF";
        case RequestKind::GetSettingsPresetName: return "GetSettingsPresetName";
        case RequestKind::GetSettingsMIDIPortInfo: return "GetSettingsMIDIPortInfo";
        case RequestKind::GetSettingsCCProcessorInfo: return "GetSettingsCCProcessorInfo";
        case RequestKind::SetCCProc: return "SetCCProc";
        case RequestKind::SetPortFeatureFlags: return "SetPortFeatureFlags";
        case RequestKind::LoadPreset: return "LoadPreset";
        case RequestKind::SavePreset: return "SavePreset";
        case RequestKind::Unknown: break;
    }

    return "Unknown";
}

EmulatedInterface::EmulatedInterface (uint16_t pid, uint32_t serial, const juce::String& name)
    : productId (pid), serialNumber (serial), productName (name), impl (std::make_unique<Impl>())
{
}

EmulatedInterface::~EmulatedInterface() = default;

int EmulatedInterface::attach (VirtualMidiService& service, const juce::String& portName)
{
    const auto pairIndex = service.addPortPair (portName, this);
    const juce::ScopedLock sl (lock);
    impl->attachments.push_back ({ &service, pairIndex });
    return pairIndex;
}

std::unique_ptr<EmulatedInterface> EmulatedInterface::makeTypical (uint16_t pid, uint32_t serial,
                                                                   const juce::String& name,
                                                                   int numPorts, int numPresets)
{
    auto emulated = std::make_unique<EmulatedInterface> (pid, serial, name);
    numPorts = juce::jlimit (0, zun::CCProcessorBlock::maxPorts, numPorts);
    numPresets = juce::jlimit (0, zun::CCProcessorBlock::maxPresets, numPresets);

    constexpr uint8_t both = zun::hasInputSide | zun::hasOutputSide;
    constexpr uint8_t enabled = zun::ccProcessorEnableBit;

    struct TypicalPort
    {
        uint8_t type, jackA, jackB, sides, inFlags, outFlags;
        const char* inputName;
        const char* outputName;
    };

    // Bit 0 of the feature flags stands for a feature the application does not edit; it has to
    // come back unchanged with every flags change.
    const TypicalPort typical[] = {
        { zun::DIN,  0, 1, both,                enabled | 0x01, 0x01,    "Keyboard",       "Synth Rack" },
        { zun::DIN,  0, 2, both,                0x00,           enabled, "Drum Pads",      "Drum Machine" },
        { zun::USBD, 1, 1, both,                enabled,        0x00,    "Computer 1 In",  "Computer 1 Out" },
        { zun::USBD, 1, 2, both,                0x00,           0x00,    "Computer 2 In",  "Computer 2 Out" },
        { zun::USBD, 2, 1, both,                0x00,           0x01,    "Laptop In",      "Laptop Out" },
        { zun::USBH, 0, 1, zun::hasInputSide,   enabled,        0x00,    "Pad Controller", "" },
        { zun::RTP,  0, 1, both,                0x00,           0x00,    "Studio Net In",  "Studio Net Out" },
        { zun::RTP,  0, 2, zun::hasOutputSide,  0x00,           enabled, "",               "Stage Net Out" },
        { zun::DIN,  0, 3, zun::hasInputSide,   0x00,           0x00,    "Footswitch",     "" },
        { zun::Ctrl, 0, 1, both,                0x00,           0x00,    "Control In",     "Control Out" },
    };

    constexpr int numTypical = (int) (sizeof (typical) / sizeof (typical[0]));

    for (int i = 0; i < numPorts; ++i)
    {
        Port port;

        if (i < numTypical)
        {
            const auto& t = typical[i];
            port.portType = t.type;
            port.jackA = t.jackA;
            port.jackB = t.jackB;
            port.directionFlags = t.sides;
            port.inputFeatureFlags = t.inFlags;
            port.outputFeatureFlags = t.outFlags;
            port.inputName = t.inputName;
            port.outputName = t.outputName;
        }
        else
        {
            port = makeExtraPort (i + 1);
        }

        numberProcessors (port);
        emulated->ports.push_back (port);
    }

    auto setProcessor = [] (Port& port, bool input, int index, zun::CCProcessorRecord record)
    {
        auto& slot = input ? port.inputCCProcessors[index] : port.outputCCProcessors[index];
        record.number = slot.number;
        slot = record;
    };

    auto& ports = emulated->ports;

    if (ports.size() > 0)
    {
        setProcessor (ports[0], true, 0, makeProcessor (zun::StopFilter, 0xFFFF, 1, 0));      // no mod wheel
        setProcessor (ports[0], true, 1, makeProcessor (zun::Remap, 0x0001, 11, 7));          // expression to volume
    }

    if (ports.size() > 1)
    {
        setProcessor (ports[1], false, 0, makeProcessor (zun::PassFilter, 0x0200, 64, 67));   // pedals only, channel 10
        setProcessor (ports[1], false, 2, makeProcessor (zun::Remap, 0x0201, 7, 11));
    }

    if (ports.size() > 5)
        setProcessor (ports[5], true, 7, makeProcessor (zun::StopFilter, 0x8000, 120, 127));

    const char* presetNames[] = { "Studio A", "Live Rig", "Rehearsal", "Broadcast" };
    constexpr int numNamed = (int) (sizeof (presetNames) / sizeof (presetNames[0]));

    for (int i = 0; i < numPresets; ++i)
    {
        Preset preset;
        preset.name = i < numNamed ? juce::String (presetNames[i]) : makeExtraPresetName (i + 1);
        preset.storedPorts = ports;

        // Every preset but the first (the current one) stores something of its own: the third
        // switches every processor off, the others set up processor 4 of every input side.
        for (auto& port : preset.storedPorts)
        {
            if (i == 2)
            {
                for (int k = 0; k < zun::maxCCProcessorsPerSide; ++k)
                {
                    port.inputCCProcessors[k] = makeProcessor (zun::Off, 0, 0, 0);
                    port.outputCCProcessors[k] = makeProcessor (zun::Off, 0, 0, 0);
                }

                numberProcessors (port);
                port.inputFeatureFlags &= (uint8_t) ~enabled;
                port.outputFeatureFlags &= (uint8_t) ~enabled;
            }
            else if (i > 0)
            {
                auto record = makeProcessor ((uint8_t) (i % 4), (uint16_t) (1u << (i % 16)), (uint8_t) i, (uint8_t) (i + 10));
                record.number = 4;
                port.inputCCProcessors[3] = record;
                port.inputFeatureFlags |= enabled;
            }
        }

        emulated->presets.push_back (preset);
    }

    emulated->currentPreset = numPresets > 0 ? 1 : 0;
    return emulated;
}

//==============================================================================
void EmulatedInterface::setSilentOn (RequestKind kind, bool silent)
{
    const juce::ScopedLock sl (lock);

    if ((int) kind >= 0 && (int) kind < numKinds)
        impl->silent[(size_t) kind] = silent;
}

void EmulatedInterface::setReplyDelayMs (double delayMs)
{
    const juce::ScopedLock sl (lock);
    impl->replyDelayMs = juce::jmax (0.0, delayMs);
}

void EmulatedInterface::setNegativeAcknowledgement (uint8_t errorCode)
{
    const juce::ScopedLock sl (lock);
    impl->negativeAckCode = (uint8_t) (errorCode & 0x7F);
}

void EmulatedInterface::setReplySessionOverride (bool enabled, uint32_t sessionId)
{
    const juce::ScopedLock sl (lock);
    impl->sessionOverride = enabled;
    impl->overrideSessionId = sessionId & 0x0FFFFFFF;
}

void EmulatedInterface::setCorruptChecksum (bool corrupt)
{
    const juce::ScopedLock sl (lock);
    impl->corruptChecksum = corrupt;
}

void EmulatedInterface::setReportedCounts (int portCount, int presetCount, int ccProcessorsPerSide)
{
    const juce::ScopedLock sl (lock);
    impl->reportedPortCount = portCount;
    impl->reportedPresetCount = presetCount;
    impl->reportedCCProcessors = ccProcessorsPerSide;
}

void EmulatedInterface::sendForeignTraffic()
{
    const uint8_t otherManufacturer[] = { 0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7 };

    sendRaw (juce::MidiMessage::midiClock());
    sendRaw (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100));
    sendRaw (juce::MidiMessage::noteOff (1, 60, (juce::uint8) 0));
    sendRaw (juce::MidiMessage (otherManufacturer, (int) sizeof (otherManufacturer)));
}

void EmulatedInterface::sendRaw (const juce::MidiMessage& message, double delayMs)
{
    std::vector<Impl::Attachment> attachments;

    {
        const juce::ScopedLock sl (lock);
        attachments = impl->attachments;
    }

    for (const auto& a : attachments)
        a.service->sendToApplication (a.pairIndex, message, delayMs);
}

//==============================================================================
void EmulatedInterface::setLogging (bool enabled)
{
    const juce::ScopedLock sl (lock);
    impl->logging = enabled;
}

std::vector<EmulatedInterface::LogEntry> EmulatedInterface::getLog() const
{
    const juce::ScopedLock sl (lock);
    return { impl->log.begin(), impl->log.end() };
}

std::vector<EmulatedInterface::LogEntry> EmulatedInterface::getReceivedRequests() const
{
    const juce::ScopedLock sl (lock);
    std::vector<LogEntry> received;

    for (const auto& entry : impl->log)
        if (entry.received)
            received.push_back (entry);

    return received;
}

juce::StringArray EmulatedInterface::getLogLines() const
{
    const juce::ScopedLock sl (lock);
    juce::StringArray lines;

    for (const auto& entry : impl->log)
        lines.add (entry.line);

    return lines;
}

void EmulatedInterface::clearLog()
{
    const juce::ScopedLock sl (lock);
    impl->log.clear();
}

void EmulatedInterface::setLogListener (std::function<void (const juce::String&)> listener)
{
    const juce::ScopedLock sl (lock);
    impl->logListener = std::move (listener);
    impl->unreportedLines.clear();
}

//==============================================================================
EmulatedInterface::RequestKind EmulatedInterface::classifyPayload (const uint8_t* payload, int length)
{
    if (payload == nullptr || length <= 0)
        return RequestKind::Unknown;

    for (const auto& layout : requestLayouts())
        if (matchesLayout (layout.bytes, payload, length))
            return layout.kind;

    return RequestKind::Unknown;
}

// Called on the application's message thread for every message it sends on one of our pairs.
void EmulatedInterface::receivedFromApplication (int pairIndex, const juce::MidiMessage& message)
{
    const auto replies = handleRequest (message);

    if (replies.empty())
        return;

    VirtualMidiService* service = nullptr;
    double delayMs = 0.0;

    {
        const juce::ScopedLock sl (lock);
        delayMs = impl->replyDelayMs;

        for (const auto& a : impl->attachments)
        {
            if (a.pairIndex == pairIndex)
            {
                service = a.service;
                break;
            }
        }
    }

    if (service == nullptr)
        return;

    for (const auto& reply : replies)
        service->sendToApplication (pairIndex, reply, delayMs);
}

std::vector<juce::MidiMessage> EmulatedInterface::handleRequest (const juce::MidiMessage& message)
{
    Frame request;

    if (! decodeFrame (message.getRawData(), message.getRawDataSize(), request))
        return {};

    // Declared before the lock, so it runs after the lock is released.
    const juce::ScopeGuard reportLines { [this] { impl->reportNewLines (lock); } };
    const juce::ScopedLock sl (lock);

    const bool toUs = request.productId == (productId & 0x3FFF) && request.serialNumber == serialNumber;
    const bool toAll = request.productId == 0 && request.serialNumber == 0;

    if (! toUs && ! toAll)
        return {};

    const auto& in = request.payload;
    const auto kind = classifyPayload (in.data(), (int) in.size());

    {
        LogEntry entry;
        entry.received = true;
        entry.kind = kind;
        entry.frame.assign (message.getRawData(), message.getRawData() + message.getRawDataSize());
        entry.line = juce::String ("recv ") + getRequestKindName (kind) + " " + toHex (in.data(), in.size());
        impl->addLog (std::move (entry));
    }

    if (kind == RequestKind::Unknown || impl->silent[(size_t) kind])
        return {};

    // Counts as the interface reports them; reads beyond the real lists are answered with
    // made-up ports and presets up to the reported counts.
    const int portCount = impl->reportedPortCount >= 0 ? impl->reportedPortCount : (int) ports.size();
    const int presetCount = impl->reportedPresetCount >= 0 ? impl->reportedPresetCount : (int) presets.size();
    const int ccCount = impl->reportedCCProcessors >= 0 ? impl->reportedCCProcessors : zun::maxCCProcessorsPerSide;

    auto portForRead = [&] (int number)
    {
        if (number >= 1 && number <= (int) ports.size())
            return ports[(size_t) number - 1];

        if (number >= 1 && number <= portCount)
            return makeExtraPort (number);

        return makeEmptyPort();
    };

    auto presetNameForRead = [&] (int number)
    {
        if (number >= 1 && number <= (int) presets.size())
            return presets[(size_t) number - 1].name;

        if (number >= 1 && number <= presetCount)
            return makeExtraPresetName (number);

        return juce::String();
    };

    PayloadWriter out;

    switch (kind)
    {
        case RequestKind::DeviceDiscovery:
            // One SessionInfo block: protocol version 04 00 (as asked), product ID, firmware
            // version 1.x.y and the session limits 00 0F.
            out.add ({ Code::classDevSesnVal, Code::dataSessionInfo, 0x01,
                       0x14, Code::blockParmVal, 0x04,
                       0x04, 0x01, 0x04, 0x00,
                       0x04, 0x03, (productId >> 7) & 0x7F, productId & 0x7F,
                       0x05, 0x04, 0x01, 0x02, 0x05,
                       0x04, 0x02, 0x00, 0x0F });
            break;

        case RequestKind::GetProductName:
            out.add ({ Code::classRetParmVal, Code::dataDeviceInfo, 0x01 });
            {
                const auto name = toWireText (productName, maxProductNameBytes);
                out.add ({ (int) name.size() + 5, Code::blockParmVal, 0x01 });
                out.addTextItem (0x01, name);
            }
            break;

        case RequestKind::GetSettingsMI:
            out.add ({ Code::classRetParmVal, Code::dataMIDIInfo, 0x01,
                       0x09, Code::blockParmVal, 0x02, 0x03, 0x01, clamp7Bit (portCount), 0x03, 0x12, clamp7Bit (ccCount) });
            break;

        case RequestKind::GetSettingsDI:
            out.add ({ Code::classRetParmVal, Code::dataDeviceInfo, 0x01,
                       0x09, Code::blockParmVal, 0x02, 0x03, 0x0B, usbNamingByte, 0x03, 0x14, clamp7Bit (presetCount) });
            break;

        case RequestKind::GetSettingsDF:
            out.add ({ Code::classRetParmVal, Code::dataDeviceFeature, 0x01,
                       0x06, Code::blockParmVal, 0x01, 0x03, 0x01, currentPreset });
            break;

        case RequestKind::GetSettingsPresetName:
        {
            const int number = in[7];
            const auto name = toWireText (presetNameForRead (number), maxPresetNameBytes);
            out.add ({ Code::classRetParmVal, Code::dataDeviceFeature, 0x02,
                       0x05, Code::blockArgVal, 0x01, Code::argPreset, number,
                       (int) name.size() + 5, Code::blockParmVal, 0x01 });
            out.addTextItem (0x02, name);
            break;
        }

        case RequestKind::GetSettingsMIDIPortInfo:
        {
            const int number = in[7];
            const auto port = portForRead (number);
            const auto inputName = toWireText (port.inputName, maxPortNameBytes);
            const auto outputName = toWireText (port.outputName, maxPortNameBytes);
            const int namesLength = (int) (inputName.size() + 2 + outputName.size() + 2);

            out.add ({ Code::classRetParmVal, Code::dataMIDIPortInfo, 0x02,
                       0x05, Code::blockArgVal, 0x01, Code::argPort, number,
                       19 + namesLength, Code::blockParmVal, 0x07,
                       0x03, 0x01, port.portType,
                       0x04, 0x02, port.jackA, port.jackB,
                       0x03, 0x05, port.directionFlags,
                       0x03, 0x08, port.inputFeatureFlags,
                       0x03, 0x09, port.outputFeatureFlags });
            out.addTextItem (0x0A, inputName);
            out.addTextItem (0x0B, outputName);
            break;
        }

        case RequestKind::GetSettingsCCProcessorInfo:
        {
            // Each processor's blocks echo the request's argument block and answer its parm.
            const int number = in[7];
            const auto port = portForRead (number);
            out.add ({ Code::classRetParmVal, Code::dataMIDIPortInfo, 0x10 });

            size_t at = 3;

            for (int k = 0; k < zun::maxCCProcessorsPerSide; ++k)
            {
                // [argument block: 07 for the first processor, 05 after][parm-list block 04 01 01 parm]
                const size_t argStart = at;
                const size_t argLength = in[argStart];
                const int processor = in[argStart + argLength - 1];
                const uint8_t parm = in[argStart + argLength + 3];
                at = argStart + argLength + 4;

                out.bytes.insert (out.bytes.end(), in.begin() + (std::ptrdiff_t) argStart,
                                  in.begin() + (std::ptrdiff_t) (argStart + argLength));

                zun::CCProcessorRecord record;

                if (processor >= 1 && processor <= zun::maxCCProcessorsPerSide)
                    record = parm == Code::parmInputCC ? port.inputCCProcessors[processor - 1]
                                                       : port.outputCCProcessors[processor - 1];

                out.add ({ 0x0F, Code::blockParmVal, 0x01, 0x0C, parm,
                           0x01, record.mode,
                           0x02, (record.channelMask >> 14) & 0x03, (record.channelMask >> 7) & 0x7F, record.channelMask & 0x7F,
                           0x03, record.controllerA,
                           0x04, record.controllerB });
            }
            break;
        }

        case RequestKind::SetCCProc:
        case RequestKind::SetPortFeatureFlags:
        case RequestKind::LoadPreset:
        case RequestKind::SavePreset:
        {
            uint8_t error = impl->negativeAckCode;

            if (error == Code::errorNone)
            {
                if (kind == RequestKind::SetCCProc)
                {
                    const int number = in[7], processor = in[9], parm = in[14], mode = in[16];

                    if (number < 1 || number > (int) ports.size() || processor < 1 || processor > zun::maxCCProcessorsPerSide)
                        error = Code::errorArgValueInvalid;
                    else if (parm != Code::parmInputCC && parm != Code::parmOutputCC)
                        error = Code::errorParmIDInvalid;
                    else if (mode > zun::Remap || in[18] > 0x03)
                        error = Code::errorSubIDValueInvalid;
                    else
                    {
                        auto& port = ports[(size_t) number - 1];
                        auto& record = parm == Code::parmInputCC ? port.inputCCProcessors[processor - 1]
                                                                 : port.outputCCProcessors[processor - 1];
                        record.number = (uint8_t) processor;
                        record.mode = (uint8_t) mode;
                        record.channelMask = (uint16_t) ((in[18] << 14) | (in[19] << 7) | in[20]);
                        record.controllerA = in[22];
                        record.controllerB = in[24];
                    }
                }
                else if (kind == RequestKind::SetPortFeatureFlags)
                {
                    const int number = in[7], parm = in[12];

                    if (number < 1 || number > (int) ports.size())
                        error = Code::errorArgValueInvalid;
                    else if (parm != Code::parmInputFlags && parm != Code::parmOutputFlags)
                        error = Code::errorParmIDInvalid;
                    else if (parm == Code::parmInputFlags)
                        ports[(size_t) number - 1].inputFeatureFlags = in[13];
                    else
                        ports[(size_t) number - 1].outputFeatureFlags = in[13];
                }
                else
                {
                    const int number = in[10];

                    if (number < 1 || number > (int) presets.size())
                        error = Code::errorCmdValueInvalid;
                    else if (kind == RequestKind::LoadPreset)
                    {
                        const auto& stored = presets[(size_t) number - 1].storedPorts;

                        for (size_t i = 0; i < ports.size() && i < stored.size(); ++i)
                            copyStoredSettings (stored[i], ports[i]);

                        currentPreset = (uint8_t) number;
                    }
                    else
                    {
                        presets[(size_t) number - 1].storedPorts = ports;
                    }
                }
            }

            out.bytes = makeAck (in[0], in[1], error);
            break;
        }

        case RequestKind::Unknown:
            return {};
    }

    jassert (out.bytes.size() <= (size_t) maxPayloadLength);
    juce::ignoreUnused (maxPayloadLength);

    const auto session = impl->sessionOverride ? impl->overrideSessionId : request.sessionId;
    auto frame = encodeFrame ((uint16_t) (productId & 0x3FFF), serialNumber, session, request.transactionId, out.bytes);

    if (impl->corruptChecksum)
        frame[frame.size() - 2] = (uint8_t) ((frame[frame.size() - 2] + 1) & 0x7F);

    LogEntry entry;
    entry.received = false;
    entry.kind = kind;
    entry.frame = frame;
    entry.line = juce::String ("send ") + messageClassName (out.bytes[0]) + " " + dataClassName (out.bytes[1]) + " "
               + toHex (frame.data(), frame.size());
    impl->addLog (std::move (entry));

    return { juce::MidiMessage (frame.data(), (int) frame.size()) };
}
