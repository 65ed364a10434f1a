#include "protocol/RequestTemplates.h"

unsigned char SXMessage_DeviceDiscovery[10] = {};
unsigned char SXMessage_GetProductName[7] = {};
unsigned char SXMessage_GetSettingsMI[8] = {};
unsigned char SXMessage_GetSettingsDI[8] = {};
unsigned char SXMessage_GetSettingsDF[7] = {};
unsigned char SXMessage_GetSettingsPresetName[12] = {};
unsigned char SXMessage_GetSettingsMIDIPortInfo[18] = {};
unsigned char SXMessage_GetSettingsCCProcessorInfo[77] = {};
unsigned char SXMessage_SetCCProc[25] = {};
unsigned char SXMessage_SetPortFeatureFlags[14] = {};
unsigned char SXMessage_LoadPreset[11] = {};
unsigned char SXMessage_SavePreset[11] = {};
