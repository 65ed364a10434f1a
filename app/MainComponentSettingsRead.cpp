#include "app/DeviceExchangeHelpers.h"
#include "app/MainComponent.h"
#include "protocol/NameItem.h"
#include "protocol/ProtocolCodes.h"
#include "protocol/RequestTemplates.h"

#include <algorithm>
#include <vector>

namespace
{
using exchange::ByteTest;
using exchange::is;
using exchange::isEither;

// How the reply awaited in each state of the read chain is recognised: its payload length (exact,
// or a minimum) and the frame bytes that must hold fixed values. A port-info reply of 31 bytes
// carries two empty names (two items of two bytes), the shortest a port can have; every byte
// tested or read at a fixed place lies inside it.
struct ReplyTest
{
    uint8_t state;
    int length;
    bool lengthIsMinimum;
    std::vector<ByteTest> bytes;
};

// clang-format off
const ReplyTest settingsReplyTests[] = {
    { AwaitingMidiInfo,        12,  false, { is (22, 0x43), is (23, 0x05), is (26, 0x03), is (29, 0x01), is (32, 0x12) } },
    { AwaitingDeviceInfo,      12,  false, { is (22, 0x43), is (23, 0x02), is (26, 0x03), is (29, 0x0B), is (32, 0x14) } },
    { AwaitingDeviceFeature,   9,   false, { is (22, 0x43), is (23, 0x03), is (26, 0x03), is (29, 0x01) } },
    { AwaitingPresetNames,     13,  true,  { is (22, 0x43), is (23, 0x03), is (26, 0x04), is (28, 0x09), is (31, 0x03), is (34, 0x02) } },
    { AwaitingPortInfo,        31,  true,  { is (22, 0x43), is (23, 0x06), is (26, 0x04), is (28, 0x05), is (31, 0x03), is (34, 0x01),
                                             is (37, 0x02), is (41, 0x05), is (44, 0x08), is (47, 0x09) } },
    { AwaitingCCProcessorInfo, 165, false, { is (22, 0x43), is (23, 0x06), is (26, 0x04), is (28, 0x05), is (30, 0x0A), is (33, 0x03),
                                             isEither (36, zun::ParmId::InputCCProcessor, zun::ParmId::OutputCCProcessor) } },
};

// The acknowledgement: 40 00 [acknowledged class] [acknowledged data class] [error].
constexpr int ackLength = 5;
constexpr ByteTest ackTests[] = { is (22, 0x40), is (23, 0x00) };

constexpr uint8_t setParmValClass = 0x10; // the changes the editor sends
constexpr uint8_t setCmdValClass = 0x11;  // the preset commands

// When an acknowledgement counts as a success, per awaited state, and what a failure says.
struct AckRule
{
    uint8_t state;
    uint8_t messageClass;       // [24]
    bool dataClassMustBeNone;   // [25] = 0x00 is required too
    const char* failureMessage; // [26] must be 0x00 in every state
};

constexpr AckRule ackRules[] = {
    { AwaitingLoadPresetAck, setCmdValClass,  true,  "Preset could not be loaded." },
    { AwaitingSavePresetAck, setCmdValClass,  true,  "Preset could not be saved." },
    { AwaitingChangeAck,     setParmValClass, false, "Changes could not be made." },
};
// clang-format on

// Frame positions read from the replies.
constexpr int currentValuePos = 30;     // [30]: the first one-byte value
constexpr int secondValuePos = 33;      // [33]: the second one-byte value
constexpr int numberArgPos = 29;        // [29]: the preset or port number of the argument block
constexpr int presetNameItemPos = 33;
constexpr int portTypePos = 35;
constexpr int jackAPos = 38;
constexpr int jackBPos = 39;
constexpr int directionFlagsPos = 42;
constexpr int inputFlagsPos = 45;
constexpr int outputFlagsPos = 48;
constexpr int inputNameItemPos = 49;
constexpr uint8_t inputNameParm = 0x0A;
constexpr uint8_t outputNameParm = 0x0B;
constexpr int portNameFrameLimit = 256; // port names must lie within the frame's first 256 bytes
constexpr int firstCCNumberPos = 31;
constexpr int ccSideParmPos = 36;
constexpr int ccBlockPitch = 20;
constexpr int ccModePos = 38;
constexpr int ccMaskPos = 40;
constexpr int ccControllerAPos = 44;
constexpr int ccControllerBPos = 46;
constexpr int ackClassPos = 24;
constexpr int ackDataClassPos = 25;
constexpr int ackErrorPos = 26;

const ReplyTest* findReplyTest (uint8_t state)
{
    for (const auto& row : settingsReplyTests)
        if (row.state == state)
            return &row;

    return nullptr;
}

const AckRule* findAckRule (uint8_t state)
{
    for (const auto& rule : ackRules)
        if (rule.state == state)
            return &rule;

    return nullptr;
}

// Preset-name reply: preset p within the reported count gets its number and name.
void storePresetName (zun::CCProcessorBlock& block, const uint8_t* frame, int end)
{
    const int p = frame[numberArgPos];

    if (p < 1 || p > block.BoundedPresetCount())
        return;

    auto& preset = block.presets[p - 1];
    preset.number = (uint8_t) p;
    zun::ReadNameItem (frame, presetNameItemPos, end, preset.name);
}

// Port-info reply: port p within the reported count gets its bytes, default name and the names
// whose items are present. The output-name item is looked for only right after a well-formed
// input-name item, since its position is known only from that item's length.
void storePortInfo (zun::CCProcessorBlock& block, const uint8_t* frame, int end)
{
    const int p = frame[numberArgPos];

    if (p < 1 || p > block.BoundedPortCount())
        return;

    auto& port = block.ports[p - 1];
    port.number = (uint8_t) p;
    port.portType = frame[portTypePos];
    port.jackA = frame[jackAPos];
    port.jackB = frame[jackBPos];
    port.defaultName = zun::MakeDefaultPortName (port.portType, port.jackA, port.jackB, block.usbNamingByte);
    port.directionFlags = frame[directionFlagsPos];
    port.inputFeatureFlags = frame[inputFlagsPos];
    port.outputFeatureFlags = frame[outputFlagsPos];

    if (frame[inputNameItemPos + 1] != inputNameParm)
        return;

    const int limit = juce::jmin (end, portNameFrameLimit);

    if (! zun::ReadNameItem (frame, inputNameItemPos, limit, port.inputName))
        return;

    const int q = inputNameItemPos + frame[inputNameItemPos];

    if (q + 2 <= limit && frame[q + 1] == outputNameParm)
        zun::ReadNameItem (frame, q, limit, port.outputName);
}

// CC-processor reply: eight blocks for one port and one side, chosen by the first block's parm.
// Only the first block's number is held to the reported count; a later block whose number is
// not a CC processor (1 to 8) is skipped.
void storeCCProcessors (zun::CCProcessorBlock& block, const uint8_t* frame)
{
    const int p = frame[numberArgPos];
    const int firstNumber = frame[firstCCNumberPos];

    if (p < 1 || p > block.BoundedPortCount() || firstNumber < 1 || firstNumber > block.BoundedCCProcessorCount())
        return;

    auto& port = block.ports[p - 1];
    auto* side = frame[ccSideParmPos] == zun::ParmId::InputCCProcessor ? port.inputCCProcessors : port.outputCCProcessors;

    for (int k = 0; k < zun::maxCCProcessorsPerSide; ++k)
    {
        const int offset = ccBlockPitch * k;
        const int n = frame[firstCCNumberPos + offset];

        if (n < 1 || n > zun::maxCCProcessorsPerSide)
            continue;

        auto& processor = side[n - 1];
        processor.number = (uint8_t) n;
        processor.mode = frame[ccModePos + offset];
        processor.channelMask = (uint16_t) (((frame[ccMaskPos + offset] & 0x03) << 14)
                                            | ((frame[ccMaskPos + 1 + offset] & 0x7F) << 7)
                                            | (frame[ccMaskPos + 2 + offset] & 0x7F));
        processor.controllerA = frame[ccControllerAPos + offset];
        processor.controllerB = frame[ccControllerBPos + offset];
    }
}
} // namespace

void MainComponent::getSettingsClicked()
{
    const int row = deviceSelector->getSelectedRow (0);

    if (! juce::isPositiveAndBelow (row, discoveryItem.devices.size()))
        return;

    // The model is emptied below: the editor must not keep showing, and sending, the old values
    // until the read-out refills it.
    clrGUI();

    // A new read abandons every reply and acknowledgement awaited before.
    abandonAwaitedReplies();

    exchange::forgetInterface (deviceContainer);

    requestState = AwaitingMidiInfo;
    interfaceAddressed = true;

    auto& builder = deviceContainer.sysexMessage;

    // A new session for every read: replies of an earlier read then fail the frame check.
    builder.sessionId = (uint32_t) builder.random.nextInt() & zun::Frame::idMask;

    const auto* device = discoveryItem.devices.getUnchecked (row);
    builder.productId = device->productId;
    builder.serialNumber = device->serialNumber;

    sendRequest (SXMessage_GetSettingsMI, zun::TemplateLength::GetSettingsMI);
}

// Whether a preset command may go out: an interface has been addressed, the model holds its
// current preset, and no load is under way (until its acknowledgement comes, which preset is
// current is not known; in the pause after it the interface is still switching).
bool MainComponent::presetCommandsAllowed() const
{
    return interfaceAddressed && deviceContainer.block.currentPreset != 0 && ! loadAwaitsAcknowledgement()
           && pendingPause == Pause::none;
}

void MainComponent::loadPresetClicked()
{
    if (! presetCommandsAllowed())
        return;

    const int id = presetCombo.getSelectedId();

    if (id <= 0)
        return;

    deviceContainer.block.requestedPreset = (uint8_t) id;

    // From now until the re-read has filled it again the editor shows the preset being left:
    // nothing in it may be edited or sent.
    clrGUI();

    SXMessage_LoadPreset[zun::PatchPoint::LoadPresetPreset] = (unsigned char) id;
    sendCommand (AwaitingLoadPresetAck, SXMessage_LoadPreset, zun::TemplateLength::LoadPreset);
}

void MainComponent::savePresetClicked()
{
    if (! presetCommandsAllowed())
        return;

    // The interface's current preset, whatever the preset selector shows.
    SXMessage_SavePreset[zun::PatchPoint::SavePresetPreset] = deviceContainer.block.currentPreset;
    sendCommand (AwaitingSavePresetAck, SXMessage_SavePreset, zun::TemplateLength::SavePreset);
}

void MainComponent::handleSettingsReply (const juce::MidiMessage& reply)
{
    const auto* test = findReplyTest (requestState);

    if (test == nullptr
        || ! exchange::passes (reply, test->length, test->lengthIsMinimum, test->bytes.data(), test->bytes.data() + test->bytes.size()))
        return;

    const auto* frame = reply.getRawData();
    const int end = exchange::payloadEnd (reply);
    auto& block = deviceContainer.block;
    auto& cursor = deviceContainer.requestCursor;

    switch (requestState)
    {
        case AwaitingMidiInfo:        block.portCount = frame[currentValuePos]; block.ccProcessorsPerSide = frame[secondValuePos]; break;
        case AwaitingDeviceInfo:      block.usbNamingByte = frame[currentValuePos]; block.presetCount = frame[secondValuePos]; break;
        case AwaitingDeviceFeature:   block.currentPreset = frame[currentValuePos]; break;
        case AwaitingPresetNames:     storePresetName (block, frame, end); break;
        case AwaitingPortInfo:        storePortInfo (block, frame, end); break;
        case AwaitingCCProcessorInfo: storeCCProcessors (block, frame); break;
        default:                      return;
    }

    stopTimer (replyTimeoutTimer);

    // The next request of the chain. Every accepted reply moves the chain on by one, whatever
    // number it carried; the counts end the passes only up to the model's capacities.
    switch (requestState)
    {
        case AwaitingMidiInfo:
            requestState = AwaitingDeviceInfo;
            sendRequest (SXMessage_GetSettingsDI, zun::TemplateLength::GetSettingsDI);
            break;

        case AwaitingDeviceInfo:
            requestState = AwaitingDeviceFeature;
            sendRequest (SXMessage_GetSettingsDF, zun::TemplateLength::GetSettingsDF);
            break;

        case AwaitingDeviceFeature:
            requestState = AwaitingPresetNames;
            SXMessage_GetSettingsPresetName[zun::PatchPoint::PresetNamePreset] = 1;
            cursor = 1;
            sendRequest (SXMessage_GetSettingsPresetName, zun::TemplateLength::GetSettingsPresetName);
            break;

        case AwaitingPresetNames:
            if (cursor < block.BoundedPresetCount())
            {
                ++cursor;
                SXMessage_GetSettingsPresetName[zun::PatchPoint::PresetNamePreset] = cursor;
                sendRequest (SXMessage_GetSettingsPresetName, zun::TemplateLength::GetSettingsPresetName);
            }
            else
            {
                readPortDescriptions();
            }
            break;

        case AwaitingPortInfo:
            if (cursor < block.BoundedPortCount())
            {
                ++cursor;
                SXMessage_GetSettingsMIDIPortInfo[zun::PatchPoint::PortInfoPort] = cursor;
                sendRequest (SXMessage_GetSettingsMIDIPortInfo, zun::TemplateLength::GetSettingsMIDIPortInfo);
            }
            else
            {
                cursor = 0;
                deviceContainer.ccParmId = zun::ParmId::InputCCProcessor;
                requestState = AwaitingCCProcessorInfo;
                sendFrame (deviceContainer.CreateGetSettingsCCProcessorInfo());
            }
            break;

        case AwaitingCCProcessorInfo:
            // The cursor is a port-record index below the bounded count, so it never passes 96.
            if (cursor < block.BoundedPortCount())
            {
                sendFrame (deviceContainer.CreateGetSettingsCCProcessorInfo());
            }
            else if (deviceContainer.ccParmId == zun::ParmId::InputCCProcessor)
            {
                cursor = 0;
                deviceContainer.ccParmId = zun::ParmId::OutputCCProcessor;
                requestState = AwaitingCCProcessorInfo;
                sendFrame (deviceContainer.CreateGetSettingsCCProcessorInfo());
            }
            else
            {
                block.selectedPortIndex = 0;
                block.selectedSide = 0;
                setGUI();
                requestState = Idle;
            }
            break;

        default:
            break;
    }
}

void MainComponent::handleAcknowledgement (const juce::MidiMessage& reply)
{
    const auto* rule = findAckRule (requestState);

    if (rule == nullptr || ! exchange::passes (reply, ackLength, false, std::begin (ackTests), std::end (ackTests)))
        return;

    const auto* frame = reply.getRawData();
    const auto& awaited = awaitedAcknowledgements;
    const auto id = zun::Frame::TransactionId (frame);
    const auto answered = std::find_if (awaited.begin(), awaited.end(), [id] (const AwaitedCommand& c) { return c.transactionId == id; });

    // The answer to no command awaited (one whose wait was abandoned, say): it was listed in the
    // monitor, and that is all.
    if (answered == awaited.end())
        return;

    // The answer to a later command: the acknowledgements of those before it were lost. Their wait
    // ends as at a time-out.
    if (answered != awaited.begin())
    {
        replyTimedOut();
        return;
    }

    // It answers the oldest command awaiting an acknowledgement, and is judged by that command's rule.
    takeOldestAcknowledgement();

    const bool success = frame[ackClassPos] == rule->messageClass
                         && (! rule->dataClassMustBeNone || frame[ackDataClassPos] == 0x00)
                         && frame[ackErrorPos] == (uint8_t) zun::AckError::None;

    if (! success)
    {
        // A refused load left the interface as it was: show the editor again as it was.
        if (rule->state == AwaitingLoadPresetAck)
            setGUI();

        showAlert ("Ack Error", rule->failureMessage);
        return;
    }

    if (rule->state != AwaitingLoadPresetAck)
        return;

    // The interface has switched presets; it needs a moment before it is read again. Until then
    // the load is under way: no preset command goes out and the editor stays empty. A preset may
    // hold its own port settings (the feature flags among them), so the read goes on from the
    // port descriptions, then the CC processors, as the read chain does from there.
    auto& block = deviceContainer.block;
    block.currentPreset = block.requestedPreset;
    startPause (Pause::beforeReadAfterLoad, presetLoadPauseMs);
}

// The read chain's port pass: port 1 first; each accepted reply asks for the next port, and the
// last one starts the CC-processor pass.
void MainComponent::readPortDescriptions()
{
    requestState = AwaitingPortInfo;
    SXMessage_GetSettingsMIDIPortInfo[zun::PatchPoint::PortInfoPort] = 1;
    deviceContainer.requestCursor = 1;
    sendRequest (SXMessage_GetSettingsMIDIPortInfo, zun::TemplateLength::GetSettingsMIDIPortInfo);
}
