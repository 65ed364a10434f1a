#include "ProtocolTestBytes.h"
#include "protocol/DeviceContainer.h"
#include "protocol/RequestTemplates.h"

#include <gtest/gtest.h>

using namespace protocol_test;

namespace
{
// The acknowledgement and the empty frame of an interface with product ID 0123, serial number
// 9A1B2C3D, in session 00ABCDEF.
const Bytes ackFrame = Hex ("F0 00 6D 39 7D 02 23 09 50 6C 58 3D 05 2F 1B 6F 00 00 00 77 00 05 40 00 10 06 00 71 F7");
const Bytes pingFrame = Hex ("F0 00 6D 39 7D 02 23 09 50 6C 58 3D 05 2F 1B 6F 00 00 00 10 00 00 33 F7");
constexpr uint32_t ackSession = 0x00ABCDEF;
} // namespace

TEST (SysexMessage, BuildsTheFirstDiscoveryRequestAfterStart)
{
    zun::SysexMessage builder;
    const auto frame = builder.CreateMessage (SXMessage_DeviceDiscovery, zun::TemplateLength::DeviceDiscovery);

    EXPECT_EQ (ToHex (BytesOf (frame)),
               "F0 00 6D 39 7D 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 0A 01 01 01 07 03 01 04 01 04 00 5F F7");
    EXPECT_EQ (frame.getTimeStamp(), 0.0);
    EXPECT_EQ (builder.payloadLength, 10);
}

TEST (SysexMessage, AddressesTheTargetInItsSession)
{
    zun::SysexMessage builder;
    builder.productId = 0x0123;
    builder.serialNumber = 0x9A1B2C3D;
    builder.sessionId = 0x00ABCDEF;
    builder.transactionId = 5;

    const auto frame = builder.CreateMessage (SXMessage_GetSettingsDF, zun::TemplateLength::GetSettingsDF);

    EXPECT_EQ (ToHex (BytesOf (frame)),
               "F0 00 6D 39 7D 02 23 09 50 6C 58 3D 05 2F 1B 6F 00 00 00 05 00 07 03 03 01 04 01 01 01 29 F7");
    EXPECT_EQ (builder.transactionId, 6u);
}

TEST (SysexMessage, TransactionCounterStartsAtZeroAdvancesAndWraps)
{
    zun::SysexMessage builder;
    const auto first = builder.CreateMessage (SXMessage_GetProductName, zun::TemplateLength::GetProductName);
    const auto second = builder.CreateMessage (SXMessage_GetProductName, zun::TemplateLength::GetProductName);

    builder.transactionId = 0x0FFFFFFF;
    const auto last = builder.CreateMessage (SXMessage_GetProductName, zun::TemplateLength::GetProductName);
    const auto wrapped = builder.CreateMessage (SXMessage_GetProductName, zun::TemplateLength::GetProductName);

    struct Case
    {
        const char* what;
        const juce::MidiMessage& frame;
        uint32_t expected;
    };
    const Case cases[] = {
        {"first frame after start", first, 0},
        {"second frame", second, 1},
        {"largest transaction ID", last, 0x0FFFFFFF},
        {"the one after it", wrapped, 0},
    };

    for (const auto& c : cases)
        EXPECT_EQ (zun::Frame::TransactionId (c.frame.getRawData()), c.expected) << c.what;

    EXPECT_EQ (builder.transactionId, 1u);
}

TEST (SysexMessage, WideValuesLoseTheirUpperBitsOnTheWire)
{
    zun::SysexMessage builder;
    builder.productId = 0xFFFF;
    builder.sessionId = 0xFFFFFFFF;
    builder.serialNumber = 0xFFFFFFFF;

    const auto bytes = BytesOf (builder.CreateMessage (SXMessage_GetProductName, zun::TemplateLength::GetProductName));

    EXPECT_EQ (ToHex (Bytes (bytes.begin() + 5, bytes.begin() + 16)), "7F 7F 0F 7F 7F 7F 7F 7F 7F 7F 7F");
    EXPECT_EQ (zun::Frame::ReadGroups (bytes.data() + 7, 5), 0xFFFFFFFFu);
}

TEST (SysexMessage, EveryTemplateFramePassesTheCheckInItsOwnSessionAndWithoutOne)
{
    struct Case
    {
        const char* what;
        unsigned char* payload;
        unsigned short length;
    };
    const Case cases[] = {
        {"DeviceDiscovery", SXMessage_DeviceDiscovery, zun::TemplateLength::DeviceDiscovery},
        {"GetProductName", SXMessage_GetProductName, zun::TemplateLength::GetProductName},
        {"GetSettingsMI", SXMessage_GetSettingsMI, zun::TemplateLength::GetSettingsMI},
        {"GetSettingsDI", SXMessage_GetSettingsDI, zun::TemplateLength::GetSettingsDI},
        {"GetSettingsDF", SXMessage_GetSettingsDF, zun::TemplateLength::GetSettingsDF},
        {"GetSettingsPresetName", SXMessage_GetSettingsPresetName, zun::TemplateLength::GetSettingsPresetName},
        {"GetSettingsMIDIPortInfo", SXMessage_GetSettingsMIDIPortInfo, zun::TemplateLength::GetSettingsMIDIPortInfo},
        {"GetSettingsCCProcessorInfo", SXMessage_GetSettingsCCProcessorInfo, zun::TemplateLength::GetSettingsCCProcessorInfo},
        {"SetCCProc", SXMessage_SetCCProc, zun::TemplateLength::SetCCProc},
        {"SetPortFeatureFlags", SXMessage_SetPortFeatureFlags, zun::TemplateLength::SetPortFeatureFlags},
        {"LoadPreset", SXMessage_LoadPreset, zun::TemplateLength::LoadPreset},
        {"SavePreset", SXMessage_SavePreset, zun::TemplateLength::SavePreset},
    };

    zun::DeviceContainer container;
    container.sysexMessage.productId = 0x1ABC;
    container.sysexMessage.serialNumber = 0xF1234567;
    container.sysexMessage.transactionId = 0x0FFFFFFE;

    for (const auto& c : cases)
    {
        container.sysexMessage.sessionId = 0x0FEDCBA9;
        const auto frame = container.sysexMessage.CreateMessage (c.payload, c.length);

        EXPECT_EQ (frame.getRawDataSize(), c.length + 24) << c.what;
        EXPECT_EQ (PayloadOf (frame), Bytes (c.payload, c.payload + c.length)) << c.what;
        EXPECT_TRUE (container.IsValidMidiMessage (frame)) << c.what << " in its own session";

        container.sysexMessage.sessionId = 0;
        EXPECT_TRUE (container.IsValidMidiMessage (frame)) << c.what << " without a session";
    }
}

TEST (SysexMessage, OversizedPayloadIsCutToTheBuffer)
{
    // Longer than any request; the builder must stay inside its 512-byte buffer.
    std::vector<unsigned char> payload (600, 0x03);
    zun::DeviceContainer container;

    const auto frame = container.sysexMessage.CreateMessage (payload.data(), static_cast<unsigned short> (payload.size()));

    EXPECT_EQ (frame.getRawDataSize(), zun::Frame::bufferSize);
    EXPECT_EQ (zun::Frame::PayloadLength (frame.getRawData()), zun::Frame::maxPayloadLength);
    EXPECT_TRUE (container.IsValidMidiMessage (frame));
}

TEST (FrameCheck, AcknowledgementAndEmptyFrameFollowTheSession)
{
    struct Case
    {
        const char* what;
        const Bytes& frame;
        uint32_t session;
        bool expected;
    };
    const Case cases[] = {
        {"ack in its session", ackFrame, ackSession, true},
        {"ack without a session", ackFrame, 0, true},
        {"ack in another session", ackFrame, 0x00ABCDEE, false},
        {"ack in a session differing in the top group", ackFrame, 0x08ABCDEF, false},
        {"empty frame in its session", pingFrame, ackSession, true},
        {"empty frame without a session", pingFrame, 0, true},
        {"empty frame in another session", pingFrame, 0x00000001, false},
    };

    for (const auto& c : cases)
    {
        zun::DeviceContainer container;
        container.sysexMessage.sessionId = c.session;
        EXPECT_EQ (container.IsValidMidiMessage (Message (c.frame)), c.expected) << c.what;
    }
}

TEST (FrameCheck, MalformedFramesAreRefused)
{
    const auto withByte = [] (Bytes frame, size_t position, uint8_t value, bool fixChecksum)
    {
        frame[position] = value;

        if (fixChecksum)
            FixChecksum (frame);

        return frame;
    };

    const auto truncated = Bytes (ackFrame.begin(), ackFrame.begin() + 23);
    auto oneBytePayload = Frame ({}, Hex ("40"));
    auto wrongEnd = ackFrame;
    wrongEnd.back() = 0xF0;

    // An empty frame with arbitrary addressing and transaction bytes.
    auto anyPing = Hex ("F0 00 6D 39 7D 7F 01 0F 7F 33 44 55 01 02 03 04 7E 7D 7C 7B 00 00 00 F7");
    FixChecksum (anyPing);

    struct Case
    {
        const char* what;
        Bytes frame;
        bool expected;
    };
    const Case cases[] = {
        {"the reference acknowledgement", ackFrame, true},
        {"23 bytes", truncated, false},
        {"only the header", Hex ("F0 00 6D 39 7D"), false},
        {"header byte 0", withByte (ackFrame, 0, 0xF1, false), false},
        {"header byte 1", withByte (ackFrame, 1, 0x01, false), false},
        {"header byte 2", withByte (ackFrame, 2, 0x6E, false), false},
        {"header byte 3", withByte (ackFrame, 3, 0x38, false), false},
        {"header byte 4 alone", withByte (ackFrame, 4, 0x7E, false), false},
        {"length field one more than the size", withByte (ackFrame, 21, 0x06, true), false},
        {"length field one less than the size", withByte (ackFrame, 21, 0x04, true), false},
        {"length high group set", withByte (ackFrame, 20, 0x01, true), false},
        {"payload of one byte", oneBytePayload, false},
        {"no F7 at the end", wrongEnd, false},
        {"checksum one more", withByte (ackFrame, 27, 0x72, false), false},
        {"checksum one less", withByte (ackFrame, 27, 0x70, false), false},
        {"another product ID", withByte (ackFrame, 6, 0x24, true), true},
        {"another serial number", withByte (ackFrame, 11, 0x3E, true), true},
        {"another transaction ID", withByte (ackFrame, 19, 0x01, true), true},
        {"empty frame with any addressing", anyPing, true},
        {"message class 05", withByte (ackFrame, 22, 0x05, true), false},
        {"message class 12", withByte (ackFrame, 22, 0x12, true), false},
        {"message class with bit 7", withByte (ackFrame, 22, 0xC0, true), false},
        {"data class 0B", withByte (ackFrame, 23, 0x0B, true), false},
        {"data class 7C", withByte (ackFrame, 23, 0x7C, true), false},
        {"data class 7E", withByte (ackFrame, 23, 0x7E, true), true},
        {"data class 0A", withByte (ackFrame, 23, 0x0A, true), true},
    };

    zun::DeviceContainer container;

    for (const auto& c : cases)
        EXPECT_EQ (container.IsValidMidiMessage (Message (c.frame)), c.expected) << c.what;
}

TEST (FrameCheck, AcceptsExactlyTheCodeSets)
{
    const Bytes messageClasses = Hex ("00 01 02 03 04 10 11 40 41 42 43 44 50 70 7F");
    const Bytes dataClasses = Hex ("00 01 02 03 04 05 06 07 08 09 0A 70 7D 7E 7F");
    zun::DeviceContainer container;

    for (int code = 0; code < 256; ++code)
    {
        const auto inSet = [code] (const Bytes& set)
        { return std::find (set.begin(), set.end(), code) != set.end(); };

        auto byClass = Frame ({}, {uint8_t (code), 0x00, 0x00});
        auto byData = Frame ({}, {0x43, uint8_t (code), 0x00});

        EXPECT_EQ (container.IsValidMidiMessage (Message (byClass)), inSet (messageClasses)) << "message class " << code;
        EXPECT_EQ (container.IsValidMidiMessage (Message (byData)), inSet (dataClasses)) << "data class " << code;
    }
}
