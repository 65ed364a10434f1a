#include "protocol/RequestTemplates.h"

#include <gtest/gtest.h>

TEST (RequestTemplates, EachArrayHoldsItsSentLength)
{
    EXPECT_GE (sizeof (SXMessage_DeviceDiscovery), zun::TemplateLength::DeviceDiscovery);
    EXPECT_GE (sizeof (SXMessage_GetSettingsCCProcessorInfo), zun::TemplateLength::GetSettingsCCProcessorInfo);
}
