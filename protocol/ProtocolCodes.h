#pragma once

#include <cstdint>

namespace zun
{

// Payload byte 0 of a frame.
enum class MessageClass : uint8_t
{
    None = 0x00,
    HstSesnVal = 0x01,
    GetParmDef = 0x02,
    GetParmVal = 0x03,
    GetCmdDef = 0x04,
    SetParmVal = 0x10,
    SetCmdVal = 0x11,
    Ack = 0x40,
    DevSesnVal = 0x41,
    RetParmDef = 0x42,
    RetParmVal = 0x43,
    RetCmdDef = 0x44,
    NotParmVal = 0x50,
    BulkTransfer = 0x70,
    Private = 0x7F
};

// Payload byte 1 of a frame. Code 0x7E is a valid code without a name.
enum class DataClass : uint8_t
{
    None = 0x00,
    SessionInfo = 0x01,
    DeviceInfo = 0x02,
    DeviceFeature = 0x03,
    HardwareInfo = 0x04,
    MIDIInfo = 0x05,
    MIDIPortInfo = 0x06,
    MIDIFeature = 0x07,
    AudioInfo = 0x08,
    AudioPortInfo = 0x09,
    AudioChannelInfo = 0x0A,
    BulkData = 0x70,
    SelfTest = 0x7D,
    FirmwareUpdate = 0x7F
};

// Error code of an acknowledgement (payload byte 4); 0 is the only success.
enum class AckError : uint8_t
{
    None = 0,
    MalformedMessage = 1,
    MClassNotSupported = 2,
    DClassNotSupported = 3,
    MessageInTooLarge = 4,
    MessageOutTooLarge = 5,
    DataBlockLengthInvalid = 6,
    DataBlockTypeInvalid = 7,
    ArgIDInvalid = 8,
    ArgValueInvalid = 9,
    ParmIDInvalid = 10,
    ParmValueInvalid = 11,
    NameInvalid = 12,
    CmdIDInvalid = 13,
    CmdValueInvalid = 14,
    CmdArgInvalid = 15,
    ArgValBlockMissing = 16,
    SubIDInvalid = 17,
    SubIDValueInvalid = 18,
    CmdFailed = 19
};

// Type byte of a data block.
enum class BlockType : uint8_t
{
    ParmIDList = 0x01,
    ParmVal = 0x03,
    ArgVal = 0x04,
    CmdVal = 0x06
};

// True for the message-class codes the protocol defines.
bool IsMessageClassCode (uint8_t code);

// True for the data-class codes the protocol defines (0x7E included).
bool IsDataClassCode (uint8_t code);

// The monitor's text for a message class, trailing separator included; "MC? " for unknown codes.
const char* GetMessageClassName (uint8_t code);

// The monitor's text for a data class; "DC?" for 0x7E and unknown codes.
const char* GetDataClassName (uint8_t code);

// The name of an acknowledgement error code; "???" for codes of 20 and above.
const char* GetAckErrorName (uint8_t code);

} // namespace zun
