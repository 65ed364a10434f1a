#include "protocol/RequestTemplates.h"
#include "ProtocolTestBytes.h"
#include "protocol/CCProcessorBlock.h"
#include "protocol/ProtocolCodes.h"
#include "protocol/SysexMessage.h"

#include <gtest/gtest.h>
#include <string>

using namespace protocol_test;

namespace
{
// Frames a template as it goes out and returns the payload on the wire.
Bytes SentPayload (unsigned char* payload, unsigned short length)
{
    zun::SysexMessage builder;
    return PayloadOf (builder.CreateMessage (payload, length));
}

void PatchSetCCProc (uint8_t port, uint8_t row, uint8_t parm, uint8_t mode, uint16_t mask, uint8_t ctrlA, uint8_t ctrlB)
{
    using namespace zun::PatchPoint;
    SXMessage_SetCCProc[SetCCProcPort] = port;
    SXMessage_SetCCProc[SetCCProcRow] = row;
    SXMessage_SetCCProc[SetCCProcParm] = parm;
    SXMessage_SetCCProc[SetCCProcMode] = mode;
    SXMessage_SetCCProc[SetCCProcMask2] = static_cast<uint8_t> (mask >> 14);
    SXMessage_SetCCProc[SetCCProcMask1] = static_cast<uint8_t> ((mask >> 7) & 0x7F);
    SXMessage_SetCCProc[SetCCProcMask0] = static_cast<uint8_t> (mask & 0x7F);
    SXMessage_SetCCProc[SetCCProcControllerA] = ctrlA;
    SXMessage_SetCCProc[SetCCProcControllerB] = ctrlB;
}
} // namespace

TEST (RequestTemplates, FixedBytesAreTheProtocolsAndPatchPointsAreWhereTheRequestsNeedThem)
{
    using namespace zun::PatchPoint;
    using Points = std::vector<int>;

    // "xx" marks a patched byte; every other byte goes out as written here. The patched positions
    // must be exactly the ones the application writes through zun::PatchPoint.
    struct Case
    {
        const char* what;
        const unsigned char* array;
        size_t arraySize;
        unsigned short length;
        const char* bytes;
        Points patchPoints;
    };
    const Case cases[] = {
        {"DeviceDiscovery", SXMessage_DeviceDiscovery, sizeof (SXMessage_DeviceDiscovery), zun::TemplateLength::DeviceDiscovery, "01 01 01 07 03 01 04 01 04 00", {}},
        {"GetProductName", SXMessage_GetProductName, sizeof (SXMessage_GetProductName), zun::TemplateLength::GetProductName, "03 02 01 04 01 01 01", {}},
        {"GetSettingsMI", SXMessage_GetSettingsMI, sizeof (SXMessage_GetSettingsMI), zun::TemplateLength::GetSettingsMI, "03 05 01 05 01 02 01 12", {}},
        {"GetSettingsDI", SXMessage_GetSettingsDI, sizeof (SXMessage_GetSettingsDI), zun::TemplateLength::GetSettingsDI, "03 02 01 05 01 02 0B 14", {}},
        {"GetSettingsDF", SXMessage_GetSettingsDF, sizeof (SXMessage_GetSettingsDF), zun::TemplateLength::GetSettingsDF, "03 03 01 04 01 01 01", {}},
        {"GetSettingsPresetName", SXMessage_GetSettingsPresetName, sizeof (SXMessage_GetSettingsPresetName), zun::TemplateLength::GetSettingsPresetName, "03 03 02 05 04 01 09 xx 04 01 01 02", {PresetNamePreset}},
        {"GetSettingsMIDIPortInfo", SXMessage_GetSettingsMIDIPortInfo, sizeof (SXMessage_GetSettingsMIDIPortInfo), zun::TemplateLength::GetSettingsMIDIPortInfo, "03 06 02 05 04 01 05 xx 0A 01 07 01 02 05 08 09 0A 0B", {PortInfoPort}},
        {"GetSettingsCCProcessorInfo", SXMessage_GetSettingsCCProcessorInfo, sizeof (SXMessage_GetSettingsCCProcessorInfo), zun::TemplateLength::GetSettingsCCProcessorInfo, "03 06 10 07 04 02 05 xx 0A 01 04 01 01 xx "
                                                                                                                                                                             "05 04 01 0A 02 04 01 01 xx 05 04 01 0A 03 04 01 01 xx 05 04 01 0A 04 04 01 01 xx "
                                                                                                                                                                             "05 04 01 0A 05 04 01 01 xx 05 04 01 0A 06 04 01 01 xx 05 04 01 0A 07 04 01 01 xx "
                                                                                                                                                                             "05 04 01 0A 08 04 01 01 xx",
         {CCProcessorInfoPort, CCProcessorInfoParm[0], CCProcessorInfoParm[1], CCProcessorInfoParm[2], CCProcessorInfoParm[3], CCProcessorInfoParm[4], CCProcessorInfoParm[5], CCProcessorInfoParm[6], CCProcessorInfoParm[7]}},
        {"SetCCProc", SXMessage_SetCCProc, sizeof (SXMessage_SetCCProc), zun::TemplateLength::SetCCProc, "10 06 02 07 04 02 05 xx 0A xx 0F 03 01 0C xx 01 xx 02 xx xx xx 03 xx 04 xx", {SetCCProcPort, SetCCProcRow, SetCCProcParm, SetCCProcMode, SetCCProcMask2, SetCCProcMask1, SetCCProcMask0, SetCCProcControllerA, SetCCProcControllerB}},
        {"SetPortFeatureFlags", SXMessage_SetPortFeatureFlags, sizeof (SXMessage_SetPortFeatureFlags), zun::TemplateLength::SetPortFeatureFlags, "10 06 02 05 04 01 05 xx 06 03 01 03 xx xx", {FeatureFlagsPort, FeatureFlagsParm, FeatureFlagsValue}},
        {"LoadPreset", SXMessage_LoadPreset, sizeof (SXMessage_LoadPreset), zun::TemplateLength::LoadPreset, "11 00 01 08 06 01 05 02 43 00 xx", {LoadPresetPreset}},
        {"SavePreset", SXMessage_SavePreset, sizeof (SXMessage_SavePreset), zun::TemplateLength::SavePreset, "11 00 01 08 06 01 05 02 03 00 xx", {SavePresetPreset}},
    };

    for (const auto& c : cases)
    {
        std::vector<std::string> tokens;
        std::istringstream in (c.bytes);

        for (std::string t; in >> t;)
            tokens.push_back (t);

        ASSERT_EQ (tokens.size(), c.length) << c.what;
        EXPECT_GE (c.arraySize, c.length) << c.what;

        Points patched;

        for (size_t i = 0; i < tokens.size(); ++i)
        {
            if (tokens[i] == "xx")
                patched.push_back (static_cast<int> (i));
            else
                EXPECT_EQ (c.array[i], std::stoul (tokens[i], nullptr, 16)) << c.what << " byte " << i;
        }

        EXPECT_EQ (patched, c.patchPoints) << c.what;
    }
}

TEST (RequestTemplates, PatchedRequestsGoOutAsTheInterfaceExpects)
{
    using namespace zun::PatchPoint;

    struct Case
    {
        const char* what;
        void (*patch)();
        unsigned char* payload;
        unsigned short length;
        const char* expected;
    };
    const Case cases[] = {
        {"CC processor: port 2, row 3, output side, mode 2, channels 1 and 10, controllers 7 and 11",
         []
         { PatchSetCCProc (2, 3, zun::ParmId::OutputCCProcessor, 2, 0x0201, 7, 11); },
         SXMessage_SetCCProc, zun::TemplateLength::SetCCProc,
         "10 06 02 07 04 02 05 02 0A 03 0F 03 01 0C 13 01 02 02 00 04 01 03 07 04 0B"},
        {"CC processor: all sixteen channels",
         []
         { PatchSetCCProc (1, 1, zun::ParmId::InputCCProcessor, 3, 0xFFFF, 127, 0); },
         SXMessage_SetCCProc, zun::TemplateLength::SetCCProc,
         "10 06 02 07 04 02 05 01 0A 01 0F 03 01 0C 12 01 03 02 03 7F 7F 03 7F 04 00"},
        {"CC processor: no channel",
         []
         { PatchSetCCProc (96, 8, zun::ParmId::InputCCProcessor, 0, 0x0000, 0, 0); },
         SXMessage_SetCCProc, zun::TemplateLength::SetCCProc,
         "10 06 02 07 04 02 05 60 0A 08 0F 03 01 0C 12 01 00 02 00 00 00 03 00 04 00"},
        {"Enable on for the input side of port 1",
         []
         {
             SXMessage_SetPortFeatureFlags[FeatureFlagsPort] = 1;
             SXMessage_SetPortFeatureFlags[FeatureFlagsParm] = zun::ParmId::InputFeatureFlags;
             SXMessage_SetPortFeatureFlags[FeatureFlagsValue] = 0x00 | zun::ccProcessorEnableBit;
         },
         SXMessage_SetPortFeatureFlags, zun::TemplateLength::SetPortFeatureFlags,
         "10 06 02 05 04 01 05 01 06 03 01 03 08 08"},
        {"load preset 2",
         []
         { SXMessage_LoadPreset[LoadPresetPreset] = 2; },
         SXMessage_LoadPreset, zun::TemplateLength::LoadPreset,
         "11 00 01 08 06 01 05 02 43 00 02"},
        {"save preset 2",
         []
         { SXMessage_SavePreset[SavePresetPreset] = 2; },
         SXMessage_SavePreset, zun::TemplateLength::SavePreset,
         "11 00 01 08 06 01 05 02 03 00 02"},
        {"name of preset 5",
         []
         { SXMessage_GetSettingsPresetName[PresetNamePreset] = 5; },
         SXMessage_GetSettingsPresetName, zun::TemplateLength::GetSettingsPresetName,
         "03 03 02 05 04 01 09 05 04 01 01 02"},
        {"info of port 4",
         []
         { SXMessage_GetSettingsMIDIPortInfo[PortInfoPort] = 4; },
         SXMessage_GetSettingsMIDIPortInfo, zun::TemplateLength::GetSettingsMIDIPortInfo,
         "03 06 02 05 04 01 05 04 0A 01 07 01 02 05 08 09 0A 0B"},
    };

    for (const auto& c : cases)
    {
        c.patch();
        EXPECT_EQ (ToHex (SentPayload (c.payload, c.length)), c.expected) << c.what;
    }
}

TEST (ProtocolCodes, PrintedNames)
{
    struct Case
    {
        const char* what;
        const char* got;
        const char* expected;
    };
    const Case cases[] = {
        {"message class 00", zun::GetMessageClassName (0x00), "None "},
        {"message class 01", zun::GetMessageClassName (0x01), "HstSesnVal "},
        {"message class 02", zun::GetMessageClassName (0x02), "GetParmDef "},
        {"message class 03", zun::GetMessageClassName (0x03), "GetParmVal "},
        {"message class 04", zun::GetMessageClassName (0x04), "GetCmdDef "},
        {"message class 10", zun::GetMessageClassName (0x10), "SetParmVal "},
        {"message class 11", zun::GetMessageClassName (0x11), "SetCmdVal "},
        {"message class 40", zun::GetMessageClassName (0x40), "Ack "},
        {"message class 41", zun::GetMessageClassName (0x41), "DevSesnVal "},
        {"message class 42", zun::GetMessageClassName (0x42), "RetParmDef "},
        {"message class 43", zun::GetMessageClassName (0x43), "RetParmVal "},
        {"message class 44", zun::GetMessageClassName (0x44), "RetCmdDef "},
        {"message class 50 keeps its comma", zun::GetMessageClassName (0x50), "NotParmVal, "},
        {"message class 70", zun::GetMessageClassName (0x70), "BulkTransfer "},
        {"message class 7F", zun::GetMessageClassName (0x7F), "Private "},
        {"message class 05 is unknown", zun::GetMessageClassName (0x05), "MC? "},
        {"message class FF is unknown", zun::GetMessageClassName (0xFF), "MC? "},
        {"data class 00", zun::GetDataClassName (0x00), "None"},
        {"data class 01", zun::GetDataClassName (0x01), "SessionInfo"},
        {"data class 02", zun::GetDataClassName (0x02), "DeviceInfo"},
        {"data class 03", zun::GetDataClassName (0x03), "DeviceFeature"},
        {"data class 04", zun::GetDataClassName (0x04), "HardwareInfo"},
        {"data class 05", zun::GetDataClassName (0x05), "MIDIInfo"},
        {"data class 06", zun::GetDataClassName (0x06), "MIDIPortInfo"},
        {"data class 07", zun::GetDataClassName (0x07), "MIDIFeature"},
        {"data class 08", zun::GetDataClassName (0x08), "AudioInfo"},
        {"data class 09", zun::GetDataClassName (0x09), "AudioPortInfo"},
        {"data class 0A", zun::GetDataClassName (0x0A), "AudioChannelInfo"},
        {"data class 70", zun::GetDataClassName (0x70), "BulkData"},
        {"data class 7D", zun::GetDataClassName (0x7D), "SelfTest"},
        {"data class 7E is valid but unnamed", zun::GetDataClassName (0x7E), "DC?"},
        {"data class 7F", zun::GetDataClassName (0x7F), "FirmwareUpdate"},
        {"data class 0B is unknown", zun::GetDataClassName (0x0B), "DC?"},
        {"ack error 0", zun::GetAckErrorName (0), "None"},
        {"ack error 1", zun::GetAckErrorName (1), "MalformedMessage"},
        {"ack error 6", zun::GetAckErrorName (6), "DataBlockLengthInvalid"},
        {"ack error 11 (0B)", zun::GetAckErrorName (0x0B), "ParmValueInvalid"},
        {"ack error 16", zun::GetAckErrorName (16), "ArgValBlockMissing"},
        {"ack error 19", zun::GetAckErrorName (19), "CmdFailed"},
        {"ack error 20 (14)", zun::GetAckErrorName (0x14), "???"},
        {"ack error 255", zun::GetAckErrorName (255), "???"},
    };

    for (const auto& c : cases)
        EXPECT_STREQ (c.got, c.expected) << c.what;
}

TEST (ProtocolCodes, CodeSetsMatchTheirEnumerations)
{
    // Every named code is a valid code, and 7E is the one valid data class without a name.
    for (int code = 0; code < 256; ++code)
    {
        const auto c = static_cast<uint8_t> (code);
        EXPECT_EQ (zun::IsMessageClassCode (c), std::string (zun::GetMessageClassName (c)) != "MC? ") << code;
        EXPECT_EQ (zun::IsDataClassCode (c), std::string (zun::GetDataClassName (c)) != "DC?" || code == 0x7E) << code;
    }
}
