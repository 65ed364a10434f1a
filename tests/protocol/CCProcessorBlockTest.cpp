#include "ProtocolTestBytes.h"
#include "protocol/DeviceContainer.h"
#include "protocol/RequestTemplates.h"

#include <gtest/gtest.h>
#include <memory>

using namespace protocol_test;

namespace
{
// Writes a distinct non-zero value into every field of the model.
void Fill (zun::CCProcessorBlock& block)
{
    block.portCount = 7;
    block.ccProcessorsPerSide = 8;
    block.usbNamingByte = 2;
    block.presetCount = 4;
    block.currentPreset = 3;
    block.selectedPortIndex = 5;
    block.selectedSide = 1;
    block.requestedPreset = 2;

    for (int k = 0; k < zun::CCProcessorBlock::maxPresets; ++k)
    {
        block.presets[k].number = static_cast<uint8_t> (k + 1);
        block.presets[k].name = "Preset " + juce::String (k + 1);
    }

    for (int k = 0; k < zun::CCProcessorBlock::maxPorts; ++k)
    {
        auto& port = block.ports[k];
        port = {uint8_t (k + 1), 1, 2, 3, 3, 0x08, 0x0C, "DIN 2", "In", "Out", {}, {}};

        for (int n = 0; n < zun::maxCCProcessorsPerSide; ++n)
        {
            port.inputCCProcessors[n] = {uint8_t (n + 1), 3, 7, 11, 0xFFFF};
            port.outputCCProcessors[n] = {uint8_t (n + 1), 2, 1, 2, 0x0201};
        }
    }
}

bool IsCleared (const zun::CCProcessorRecord& r)
{
    return r.number == 0 && r.mode == zun::Off && r.controllerA == 0 && r.controllerB == 0 && r.channelMask == 0;
}
} // namespace

TEST (CCProcessorBlock, EmptyClearsTheModelButKeepsTheRequestedPresetAndTheContainersState)
{
    auto container = std::make_unique<zun::DeviceContainer>();
    Fill (container->block);
    container->requestCursor = 9;
    container->ccParmId = 0x13;
    container->productName = "Interface";
    container->sysexMessage.sessionId = 0x0ABCDEF;
    container->sysexMessage.transactionId = 42;
    container->sysexMessage.serialNumber = 0x12345678;
    container->sysexMessage.productId = 0x0123;

    container->block.Empty();
    const auto& b = container->block;

    struct Case
    {
        const char* what;
        int got;
        int expected;
    };
    const Case cases[] = {
        {"portCount", b.portCount, 0},
        {"ccProcessorsPerSide", b.ccProcessorsPerSide, 0},
        {"usbNamingByte", b.usbNamingByte, 0},
        {"presetCount", b.presetCount, 0},
        {"currentPreset", b.currentPreset, 0},
        {"selectedPortIndex", b.selectedPortIndex, 0},
        {"selectedSide", b.selectedSide, 0},
        {"requestedPreset is kept", b.requestedPreset, 2},
        {"requestCursor is kept", container->requestCursor, 9},
        {"ccParmId is kept", container->ccParmId, 0x13},
        {"session is kept", int (container->sysexMessage.sessionId), 0x0ABCDEF},
        {"transaction counter is kept", int (container->sysexMessage.transactionId), 42},
        {"target serial number is kept", int (container->sysexMessage.serialNumber), 0x12345678},
        {"target product ID is kept", container->sysexMessage.productId, 0x0123},
    };

    for (const auto& c : cases)
        EXPECT_EQ (c.got, c.expected) << c.what;

    EXPECT_EQ (container->productName, "Interface");

    for (const auto& preset : b.presets)
    {
        EXPECT_EQ (preset.number, 0);
        EXPECT_TRUE (preset.name.isEmpty());
    }

    for (int k = 0; k < zun::CCProcessorBlock::maxPorts; ++k)
    {
        const auto& p = b.ports[k];
        EXPECT_EQ (p.number | p.portType | p.jackA | p.jackB | p.directionFlags | p.inputFeatureFlags | p.outputFeatureFlags, 0)
            << "port record " << k;
        EXPECT_TRUE (p.defaultName.isEmpty() && p.inputName.isEmpty() && p.outputName.isEmpty()) << "port record " << k;

        for (int n = 0; n < zun::maxCCProcessorsPerSide; ++n)
        {
            EXPECT_TRUE (IsCleared (p.inputCCProcessors[n])) << "port record " << k << " input " << n;
            EXPECT_TRUE (IsCleared (p.outputCCProcessors[n])) << "port record " << k << " output " << n;
        }
    }
}

TEST (CCProcessorBlock, ReportedCountsAreBoundedByTheCapacities)
{
    struct Case
    {
        const char* what;
        uint8_t reported;
        int ports;
        int presets;
        int processors;
    };
    const Case cases[] = {
        {"nothing reported", 0, 0, 0, 0},
        {"within every capacity", 8, 8, 8, 8},
        {"above the CC processors", 9, 9, 9, 8},
        {"at the presets", 32, 32, 32, 8},
        {"above the presets", 33, 33, 32, 8},
        {"at the ports", 96, 96, 32, 8},
        {"above the ports", 97, 96, 32, 8},
        {"largest byte", 255, 96, 32, 8},
    };

    auto block = std::make_unique<zun::CCProcessorBlock>();

    for (const auto& c : cases)
    {
        block->portCount = block->presetCount = block->ccProcessorsPerSide = c.reported;
        EXPECT_EQ (block->BoundedPortCount(), c.ports) << c.what;
        EXPECT_EQ (block->BoundedPresetCount(), c.presets) << c.what;
        EXPECT_EQ (block->BoundedCCProcessorCount(), c.processors) << c.what;
    }
}

TEST (CCProcessorBlock, DefaultPortNames)
{
    struct Case
    {
        const char* what;
        uint8_t type, jackA, jackB, naming;
        juce::String expected;
    };
    const Case cases[] = {
        {"DIN by jack A", zun::DIN, 3, 0, 0, "DIN 3"},
        {"DIN by jack B when jack A is 0", zun::DIN, 0, 2, 0, "DIN 2"},
        {"DIN with both jacks 0", zun::DIN, 0, 0, 0, "DIN 0"},
        {"DIN prints bytes unsigned", zun::DIN, 200, 0, 0, "DIN 200"},
        {"USB device with letters", zun::USBD, 2, 3, 2, "USBD B3"},
        {"USB device, letter A", zun::USBD, 1, 1, 5, "USBD A1"},
        {"USB device named by jack B (naming 1)", zun::USBD, 7, 4, 1, "USBD 4"},
        {"USB device named by jack B (naming 0)", zun::USBD, 2, 4, 0, "USBD 4"},
        {"USB device, jack A past the ASCII range", zun::USBD, 0x69, 1, 2, "USBD " + juce::String::charToString (0xA9) + "1"},
        {"USB host", zun::USBH, 9, 1, 0, "USBH 1"},
        {"network", zun::RTP, 0, 5, 0, "RTP 5"},
        {"control port, jack B 1", zun::Ctrl, 0, 1, 0, "Ctrl"},
        {"control port, jack B 2", zun::Ctrl, 0, 2, 0, ""},
        {"type 0", 0, 1, 1, 0, ""},
        {"type 9", 9, 1, 1, 2, ""},
    };

    for (const auto& c : cases)
    {
        const auto got = zun::MakeDefaultPortName (c.type, c.jackA, c.jackB, c.naming);
        EXPECT_EQ (got, c.expected) << c.what;
        EXPECT_TRUE (juce::CharPointer_UTF8::isValidString (got.toRawUTF8(), 100)) << c.what;
    }
}

TEST (CCProcessorBlock, CCProcessorReadRequestPatchesThePortAndSideAndAdvancesTheCursor)
{
    auto container = std::make_unique<zun::DeviceContainer>();
    container->block.ports[0].number = 1;
    container->block.ports[1].number = 2;
    container->block.ports[2].number = 3;
    container->requestCursor = 2;
    container->ccParmId = zun::ParmId::OutputCCProcessor;

    const auto third = container->CreateGetSettingsCCProcessorInfo();

    EXPECT_EQ (ToHex (PayloadOf (third)),
               "03 06 10 07 04 02 05 03 0A 01 04 01 01 13 "
               "05 04 01 0A 02 04 01 01 13 05 04 01 0A 03 04 01 01 13 05 04 01 0A 04 04 01 01 13 "
               "05 04 01 0A 05 04 01 01 13 05 04 01 0A 06 04 01 01 13 05 04 01 0A 07 04 01 01 13 "
               "05 04 01 0A 08 04 01 01 13");
    EXPECT_EQ (container->requestCursor, 3);
    EXPECT_EQ (zun::Frame::TransactionId (third.getRawData()), 0u);
    EXPECT_TRUE (container->IsValidMidiMessage (third));

    // A new pass over the input side starts again at record 0.
    container->requestCursor = 0;
    container->ccParmId = zun::ParmId::InputCCProcessor;

    struct Case
    {
        const char* what;
        int port;
        int parm;
        int cursorAfter;
        uint32_t transaction;
    };
    const Case cases[] = {
        {"record 0, input side", 1, 0x12, 1, 1},
        {"record 1, input side", 2, 0x12, 2, 2},
    };

    for (const auto& c : cases)
    {
        const auto payload = PayloadOf (container->CreateGetSettingsCCProcessorInfo());
        ASSERT_EQ (payload.size(), 77u) << c.what;
        EXPECT_EQ (payload[7], c.port) << c.what;

        for (auto position : zun::PatchPoint::CCProcessorInfoParm)
            EXPECT_EQ (payload[size_t (position)], c.parm) << c.what << " byte " << position;

        EXPECT_EQ (container->requestCursor, c.cursorAfter) << c.what;
        EXPECT_EQ (container->sysexMessage.transactionId, c.transaction + 1) << c.what;
    }
}

TEST (CCProcessorBlock, CCProcessorReadRequestPastTheLastRecordReadsNoRecord)
{
    // The cursor is a byte: past record 95 there is no record, so the request names port 0.
    struct Case
    {
        const char* what;
        uint8_t cursor;
        uint8_t lastNumber;
        int port;
        int cursorAfter;
    };
    const Case cases[] = {
        {"last record", 95, 96, 96, 96},
        {"one past the last record", 96, 96, 0, 97},
        {"largest cursor wraps", 255, 96, 0, 0},
    };

    auto container = std::make_unique<zun::DeviceContainer>();
    container->ccParmId = zun::ParmId::InputCCProcessor;

    for (const auto& c : cases)
    {
        container->block.ports[95].number = c.lastNumber;
        container->requestCursor = c.cursor;
        const auto frame = container->CreateGetSettingsCCProcessorInfo();

        EXPECT_EQ (PayloadOf (frame)[7], c.port) << c.what;
        EXPECT_EQ (container->requestCursor, c.cursorAfter) << c.what;
        EXPECT_TRUE (container->IsValidMidiMessage (frame)) << c.what;
    }
}
