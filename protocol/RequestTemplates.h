#pragma once

// The twelve request payloads. They are global and mutable: the bytes named in zun::PatchPoint are
// written in place right before each frame is built and keep their last value afterwards. Only the
// first zun::TemplateLength bytes of each are sent.

extern unsigned char SXMessage_DeviceDiscovery[10];
extern unsigned char SXMessage_GetProductName[7];
extern unsigned char SXMessage_GetSettingsMI[8];
extern unsigned char SXMessage_GetSettingsDI[8];
extern unsigned char SXMessage_GetSettingsDF[7];
extern unsigned char SXMessage_GetSettingsPresetName[12];
extern unsigned char SXMessage_GetSettingsMIDIPortInfo[18];
extern unsigned char SXMessage_GetSettingsCCProcessorInfo[77];
extern unsigned char SXMessage_SetCCProc[25];
extern unsigned char SXMessage_SetPortFeatureFlags[14];
extern unsigned char SXMessage_LoadPreset[11];
extern unsigned char SXMessage_SavePreset[11];

namespace zun
{

namespace TemplateLength
{
    constexpr unsigned short DeviceDiscovery = 10;
    constexpr unsigned short GetProductName = 7;
    constexpr unsigned short GetSettingsMI = 8;
    constexpr unsigned short GetSettingsDI = 8;
    constexpr unsigned short GetSettingsDF = 7;
    constexpr unsigned short GetSettingsPresetName = 12;
    constexpr unsigned short GetSettingsMIDIPortInfo = 18;
    constexpr unsigned short GetSettingsCCProcessorInfo = 77;
    constexpr unsigned short SetCCProc = 25;
    constexpr unsigned short SetPortFeatureFlags = 14;
    constexpr unsigned short LoadPreset = 11;
    constexpr unsigned short SavePreset = 11;
} // namespace TemplateLength

// Payload byte positions that are patched before a send.
namespace PatchPoint
{
    constexpr int PresetNamePreset = 7;
    constexpr int PortInfoPort = 7;
    constexpr int CCProcessorInfoPort = 7;
    constexpr int CCProcessorInfoParm[8] = { 13, 22, 31, 40, 49, 58, 67, 76 };
    constexpr int SetCCProcPort = 7;
    constexpr int SetCCProcRow = 9;
    constexpr int SetCCProcParm = 14;
    constexpr int SetCCProcMode = 16;
    constexpr int SetCCProcMask2 = 18;
    constexpr int SetCCProcMask1 = 19;
    constexpr int SetCCProcMask0 = 20;
    constexpr int SetCCProcControllerA = 22;
    constexpr int SetCCProcControllerB = 24;
    constexpr int FeatureFlagsPort = 7;
    constexpr int FeatureFlagsParm = 12;
    constexpr int FeatureFlagsValue = 13;
    constexpr int LoadPresetPreset = 10;
    constexpr int SavePresetPreset = 10;
} // namespace PatchPoint

// Parm IDs the application patches into requests.
namespace ParmId
{
    constexpr unsigned char InputCCProcessor = 0x12;
    constexpr unsigned char OutputCCProcessor = 0x13;
    constexpr unsigned char InputFeatureFlags = 0x08;
    constexpr unsigned char OutputFeatureFlags = 0x09;
} // namespace ParmId

} // namespace zun
