#pragma once

#include "protocol/CCProcessorBlock.h"
#include "protocol/SysexMessage.h"

namespace zun
{

// The protocol state of the interface being read and edited: its settings model, the position of
// the settings read chain, its product name and the frame builder of every request.
class DeviceContainer
{
public:
    DeviceContainer() = default;

    // Members are released in reverse order: the product name, then the presets' names from the
    // last to the first, then each port record's names from the last record to the first.
    ~DeviceContainer() = default;

    // True if the message is a frame of the protocol that belongs to the current session.
    bool IsValidMidiMessage (const juce::MidiMessage& message) const;

    // Builds the CC-processor read request for port record requestCursor on side ccParmId and
    // advances requestCursor. The caller keeps requestCursor below CCProcessorBlock::maxPorts; past
    // the last record no record is read and the request names port 0.
    juce::MidiMessage CreateGetSettingsCCProcessorInfo();

    CCProcessorBlock block;
    uint8_t requestCursor = 0;
    uint8_t ccParmId = 0;
    juce::String productName;
    SysexMessage sysexMessage;
};

} // namespace zun
