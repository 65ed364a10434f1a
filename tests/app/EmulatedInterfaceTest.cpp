#include "emulator/EmulatedInterface.h"
#include "protocol/DeviceContainer.h"
#include "protocol/DeviceDiscoveryItem.h"
#include "protocol/RequestTemplates.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>

// The emulated interface frames and parses on its own; these tests build the requests with the
// protocol library's frame builder and templates, patched as the application patches them, and
// check the replies with the library's frame check and at the byte positions the application reads.

namespace
{
constexpr uint16_t productId = 0x0123;
constexpr uint32_t serialNumber = 0x9A1B2C3D; // uses serial bits 31..28 too
constexpr uint32_t session = 0x00ABCDEF;

using Bytes = std::vector<uint8_t>;
using Build = std::function<juce::MidiMessage (zun::SysexMessage&)>;

Bytes bytesOf (const juce::MidiMessage& message)
{
    return { message.getRawData(), message.getRawData() + message.getRawDataSize() };
}

int payloadLength (const Bytes& frame) { return (frame[20] << 7) | frame[21]; }

uint32_t groups (const Bytes& frame, int position, int count)
{
    uint32_t value = 0;

    for (int i = 0; i < count; ++i)
        value = (value << 7) | frame[(size_t) (position + i)];

    return value;
}

// The text of a name item whose length byte is at `position`.
juce::String nameAt (const Bytes& frame, int position)
{
    const int length = frame[(size_t) position];
    return juce::String (reinterpret_cast<const char*> (frame.data() + position + 2), (size_t) (length - 2));
}

// ---- requests, patched as the application patches the templates
Build plain (unsigned char* payload, unsigned short length)
{
    return [=] (zun::SysexMessage& builder) { return builder.CreateMessage (payload, length); };
}

Build presetName (int preset)
{
    return [=] (zun::SysexMessage& builder)
    {
        SXMessage_GetSettingsPresetName[zun::PatchPoint::PresetNamePreset] = (unsigned char) preset;
        return builder.CreateMessage (SXMessage_GetSettingsPresetName, zun::TemplateLength::GetSettingsPresetName);
    };
}

Build portInfo (int port)
{
    return [=] (zun::SysexMessage& builder)
    {
        SXMessage_GetSettingsMIDIPortInfo[zun::PatchPoint::PortInfoPort] = (unsigned char) port;
        return builder.CreateMessage (SXMessage_GetSettingsMIDIPortInfo, zun::TemplateLength::GetSettingsMIDIPortInfo);
    };
}

Build ccInfo (int port, unsigned char parm)
{
    return [=] (zun::SysexMessage& builder)
    {
        SXMessage_GetSettingsCCProcessorInfo[zun::PatchPoint::CCProcessorInfoPort] = (unsigned char) port;

        for (auto position : zun::PatchPoint::CCProcessorInfoParm)
            SXMessage_GetSettingsCCProcessorInfo[position] = parm;

        return builder.CreateMessage (SXMessage_GetSettingsCCProcessorInfo, zun::TemplateLength::GetSettingsCCProcessorInfo);
    };
}

Build setCC (int port, int row, unsigned char parm, uint8_t mode, uint16_t mask, uint8_t a, uint8_t b)
{
    return [=] (zun::SysexMessage& builder)
    {
        auto* t = SXMessage_SetCCProc;
        t[zun::PatchPoint::SetCCProcPort] = (unsigned char) port;
        t[zun::PatchPoint::SetCCProcRow] = (unsigned char) row;
        t[zun::PatchPoint::SetCCProcParm] = parm;
        t[zun::PatchPoint::SetCCProcMode] = mode;
        t[zun::PatchPoint::SetCCProcMask2] = (unsigned char) (mask >> 14);
        t[zun::PatchPoint::SetCCProcMask1] = (unsigned char) ((mask >> 7) & 0x7F);
        t[zun::PatchPoint::SetCCProcMask0] = (unsigned char) (mask & 0x7F);
        t[zun::PatchPoint::SetCCProcControllerA] = a;
        t[zun::PatchPoint::SetCCProcControllerB] = b;
        return builder.CreateMessage (t, zun::TemplateLength::SetCCProc);
    };
}

Build setFlags (int port, unsigned char parm, uint8_t flags)
{
    return [=] (zun::SysexMessage& builder)
    {
        SXMessage_SetPortFeatureFlags[zun::PatchPoint::FeatureFlagsPort] = (unsigned char) port;
        SXMessage_SetPortFeatureFlags[zun::PatchPoint::FeatureFlagsParm] = parm;
        SXMessage_SetPortFeatureFlags[zun::PatchPoint::FeatureFlagsValue] = flags;
        return builder.CreateMessage (SXMessage_SetPortFeatureFlags, zun::TemplateLength::SetPortFeatureFlags);
    };
}

Build loadPreset (int preset)
{
    return [=] (zun::SysexMessage& builder)
    {
        SXMessage_LoadPreset[zun::PatchPoint::LoadPresetPreset] = (unsigned char) preset;
        return builder.CreateMessage (SXMessage_LoadPreset, zun::TemplateLength::LoadPreset);
    };
}

Build savePreset (int preset)
{
    return [=] (zun::SysexMessage& builder)
    {
        SXMessage_SavePreset[zun::PatchPoint::SavePresetPreset] = (unsigned char) preset;
        return builder.CreateMessage (SXMessage_SavePreset, zun::TemplateLength::SavePreset);
    };
}

// The application's side of one exchange: its frame builder (target and session) and frame check.
struct Host
{
    Host (uint16_t targetProductId, uint32_t targetSerial, uint32_t sessionId)
    {
        container.sysexMessage.productId = targetProductId;
        container.sysexMessage.serialNumber = targetSerial;
        container.sysexMessage.sessionId = sessionId;
    }

    // Sends one request to the interface; returns the frames it answers with.
    std::vector<Bytes> ask (EmulatedInterface& emulated, const Build& build)
    {
        lastRequest = bytesOf (build (container.sysexMessage));
        std::vector<Bytes> replies;

        for (const auto& reply : emulated.handleRequest (juce::MidiMessage (lastRequest.data(), (int) lastRequest.size())))
            replies.push_back (bytesOf (reply));

        return replies;
    }

    bool isValid (const Bytes& frame) const
    {
        return container.IsValidMidiMessage (juce::MidiMessage (frame.data(), (int) frame.size()));
    }

    zun::DeviceContainer container;
    Bytes lastRequest;
};

std::unique_ptr<EmulatedInterface> makeInterface()
{
    return EmulatedInterface::makeTypical (productId, serialNumber, "Emulated MX-10");
}

uint8_t ackError (const Bytes& reply) { return reply[26]; }

// The payload of a frame, without the addressing, IDs and checksum.
Bytes payloadOf (const Bytes& frame)
{
    return { frame.begin() + 22, frame.end() - 2 };
}
} // namespace

//==============================================================================
TEST (EmulatedInterface, AnswersEveryRequestWithAReplyTheApplicationTakes)
{
    struct Case
    {
        const char* what;
        Build request;
        int length;   // exact payload length; negative: at least -length
        std::vector<std::pair<int, int>> tested;
    };

    const Case cases[] = {
        { "discovery", plain (SXMessage_DeviceDiscovery, zun::TemplateLength::DeviceDiscovery), 23,
          { { 22, 0x41 }, { 23, 0x01 }, { 38, 0x01 }, { 42, 0x02 }, { 44, 0x0F } } },
        { "product name", plain (SXMessage_GetProductName, zun::TemplateLength::GetProductName), -8,
          { { 22, 0x43 }, { 23, 0x02 }, { 26, 0x03 }, { 29, 0x01 } } },
        { "MIDI info", plain (SXMessage_GetSettingsMI, zun::TemplateLength::GetSettingsMI), 12,
          { { 22, 0x43 }, { 23, 0x05 }, { 26, 0x03 }, { 29, 0x01 }, { 32, 0x12 }, { 30, 10 }, { 33, 8 } } },
        { "device info", plain (SXMessage_GetSettingsDI, zun::TemplateLength::GetSettingsDI), 12,
          { { 22, 0x43 }, { 23, 0x02 }, { 26, 0x03 }, { 29, 0x0B }, { 32, 0x14 }, { 30, 2 }, { 33, 4 } } },
        { "device feature", plain (SXMessage_GetSettingsDF, zun::TemplateLength::GetSettingsDF), 9,
          { { 22, 0x43 }, { 23, 0x03 }, { 26, 0x03 }, { 29, 0x01 }, { 30, 1 } } },
        { "preset name 2", presetName (2), -13,
          { { 22, 0x43 }, { 23, 0x03 }, { 26, 0x04 }, { 28, 0x09 }, { 31, 0x03 }, { 34, 0x02 }, { 29, 2 } } },
        { "port info 3", portInfo (3), -33,
          { { 22, 0x43 }, { 23, 0x06 }, { 26, 0x04 }, { 28, 0x05 }, { 31, 0x03 }, { 34, 0x01 }, { 37, 0x02 },
            { 41, 0x05 }, { 44, 0x08 }, { 47, 0x09 }, { 50, 0x0A }, { 29, 3 }, { 35, zun::USBD } } },
        { "CC processors of port 2, output side", ccInfo (2, 0x13), 165,
          { { 22, 0x43 }, { 23, 0x06 }, { 26, 0x04 }, { 28, 0x05 }, { 30, 0x0A }, { 33, 0x03 }, { 36, 0x13 }, { 29, 2 } } },
        { "CC processors of port 1, input side", ccInfo (1, 0x12), 165,
          { { 36, 0x12 }, { 29, 1 }, { 31, 1 }, { 51, 2 }, { 171, 8 } } },
        { "set CC processor", setCC (2, 3, 0x13, 2, 0x0201, 7, 11), 5,
          { { 22, 0x40 }, { 23, 0x00 }, { 24, 0x10 }, { 25, 0x06 }, { 26, 0x00 } } },
        { "set feature flags", setFlags (1, 0x08, 0x08), 5,
          { { 22, 0x40 }, { 23, 0x00 }, { 24, 0x10 }, { 25, 0x06 }, { 26, 0x00 } } },
        { "load preset", loadPreset (2), 5,
          { { 22, 0x40 }, { 23, 0x00 }, { 24, 0x11 }, { 25, 0x00 }, { 26, 0x00 } } },
        { "save preset", savePreset (2), 5,
          { { 22, 0x40 }, { 23, 0x00 }, { 24, 0x11 }, { 25, 0x00 }, { 26, 0x00 } } },
    };

    for (const auto& c : cases)
    {
        auto emulated = makeInterface();
        const bool discovery = juce::String (c.what) == "discovery";
        Host host (discovery ? 0 : productId, discovery ? 0 : serialNumber, discovery ? 0 : session);

        const auto replies = host.ask (*emulated, c.request);
        ASSERT_EQ (replies.size(), 1u) << c.what;
        const auto& reply = replies.front();

        EXPECT_TRUE (host.isValid (reply)) << c.what;
        int lastTested = 21;

        for (const auto& tested : c.tested)
            lastTested = std::max (lastTested, tested.first);

        ASSERT_GT (reply.size(), (size_t) lastTested) << c.what;
        EXPECT_EQ (reply.size(), (size_t) payloadLength (reply) + 24) << c.what;

        if (c.length >= 0)
            EXPECT_EQ (payloadLength (reply), c.length) << c.what;
        else
            EXPECT_GE (payloadLength (reply), -c.length) << c.what;

        for (const auto& [position, value] : c.tested)
            EXPECT_EQ (reply[(size_t) position], value) << c.what << ", frame byte " << position;

        // Addressed from the interface itself, in the request's session and transaction.
        EXPECT_EQ (groups (reply, 5, 2), productId) << c.what;
        EXPECT_EQ ((uint32_t) (reply[7] << 28) | groups (reply, 8, 4), serialNumber) << c.what;
        EXPECT_EQ (groups (reply, 12, 4), groups (host.lastRequest, 12, 4)) << c.what;
        EXPECT_EQ (groups (reply, 16, 4), groups (host.lastRequest, 16, 4)) << c.what;
    }
}

TEST (EmulatedInterface, DiscoveryReplyMakesOneListEntryWithItsAddress)
{
    auto emulated = makeInterface();
    Host host (0, 0, 0);
    zun::DeviceDiscoveryItem list;

    for (const auto& reply : host.ask (*emulated, plain (SXMessage_DeviceDiscovery, zun::TemplateLength::DeviceDiscovery)))
        list.AddDevice (juce::MidiMessage (reply.data(), (int) reply.size()), 2, 1);

    ASSERT_EQ (list.devices.size(), 1);
    EXPECT_EQ (list.devices[0]->productId, productId);
    EXPECT_EQ (list.devices[0]->serialNumber, serialNumber);
    EXPECT_EQ (list.devices[0]->displayName, "Product ID: 0123 SN: 9A1B2C3D");
}

TEST (EmulatedInterface, ReadRepliesCarryItsSettingsWhereTheApplicationReadsThem)
{
    auto emulated = makeInterface();
    Host host (productId, serialNumber, session);

    EXPECT_EQ (nameAt (host.ask (*emulated, plain (SXMessage_GetProductName, zun::TemplateLength::GetProductName))[0], 28),
               "Emulated MX-10");
    EXPECT_EQ (nameAt (host.ask (*emulated, presetName (2))[0], 33), emulated->presets[1].name);
    EXPECT_EQ (nameAt (host.ask (*emulated, presetName (9))[0], 33), "") << "a preset it does not have";

    for (int number = 1; number <= (int) emulated->ports.size(); ++number)
    {
        const auto reply = host.ask (*emulated, portInfo (number))[0];
        const auto& port = emulated->ports[(size_t) number - 1];
        const int q = 49 + reply[49];

        EXPECT_EQ (payloadLength (reply), 27 + reply[49] + reply[(size_t) q]) << number;
        EXPECT_EQ (reply[35], port.portType) << number;
        EXPECT_EQ (reply[38], port.jackA) << number;
        EXPECT_EQ (reply[39], port.jackB) << number;
        EXPECT_EQ (reply[42], port.directionFlags) << number;
        EXPECT_EQ (reply[45], port.inputFeatureFlags) << number;
        EXPECT_EQ (reply[48], port.outputFeatureFlags) << number;
        EXPECT_EQ (nameAt (reply, 49), port.inputName) << number;
        EXPECT_EQ (reply[(size_t) q + 1], 0x0B) << number;
        EXPECT_EQ (nameAt (reply, q), port.outputName) << number;
    }

    for (int side = 0; side < 2; ++side)
    {
        const auto reply = host.ask (*emulated, ccInfo (2, side == 0 ? 0x12 : 0x13))[0];
        const auto& records = side == 0 ? emulated->ports[1].inputCCProcessors : emulated->ports[1].outputCCProcessors;

        for (int k = 0; k < 8; ++k)
        {
            const auto at = [&] (int position) { return reply[(size_t) (position + 20 * k)]; };
            EXPECT_EQ (at (31), k + 1) << side << k;
            EXPECT_EQ (at (38), records[k].mode) << side << k;
            EXPECT_EQ ((at (40) << 14) | (at (41) << 7) | at (42), records[k].channelMask) << side << k;
            EXPECT_EQ (at (44), records[k].controllerA) << side << k;
            EXPECT_EQ (at (46), records[k].controllerB) << side << k;
        }
    }
}

TEST (EmulatedInterface, SetAndCommandRequestsChangeItsStateOrAreRefused)
{
    using Check = std::function<bool (const EmulatedInterface&)>;

    struct Case
    {
        const char* what;
        Build request;
        uint8_t expectedError;
        Check changed;
    };

    const Case cases[] = {
        { "CC processor 3 of port 2, output side", setCC (2, 3, 0x13, 2, 0x0201, 7, 11), 0,
          [] (const EmulatedInterface& e)
          {
              const auto& r = e.ports[1].outputCCProcessors[2];
              return r.mode == 2 && r.channelMask == 0x0201 && r.controllerA == 7 && r.controllerB == 11;
          } },
        { "all sixteen channels", setCC (1, 8, 0x12, 1, 0xFFFF, 127, 0), 0,
          [] (const EmulatedInterface& e) { return e.ports[0].inputCCProcessors[7].channelMask == 0xFFFF; } },
        { "input flags of port 3", setFlags (3, 0x08, 0x09), 0,
          [] (const EmulatedInterface& e) { return e.ports[2].inputFeatureFlags == 0x09 && e.ports[2].outputFeatureFlags == 0x00; } },
        { "output flags of port 1", setFlags (1, 0x09, 0x00), 0,
          [] (const EmulatedInterface& e) { return e.ports[0].outputFeatureFlags == 0x00 && e.ports[0].inputFeatureFlags == 0x09; } },
        { "load preset 3 (everything off)", loadPreset (3), 0,
          [] (const EmulatedInterface& e)
          {
              return e.currentPreset == 3 && e.ports[0].inputCCProcessors[0].mode == zun::Off
                  && e.ports[0].inputFeatureFlags == 0x01 && e.ports[0].inputName == "Keyboard";
          } },
        { "save into preset 4", savePreset (4), 0,
          [] (const EmulatedInterface& e)
          {
              return e.currentPreset == 1 && e.presets[3].storedPorts.size() == e.ports.size()
                  && e.presets[3].storedPorts[0].inputCCProcessors[3].mode == e.ports[0].inputCCProcessors[3].mode;
          } },
        { "CC processor of port 11 of 10", setCC (11, 1, 0x12, 1, 1, 1, 1), 9, nullptr },
        { "CC processor of port 0", setCC (0, 1, 0x12, 1, 1, 1, 1), 9, nullptr },
        { "CC processor 9", setCC (1, 9, 0x12, 1, 1, 1, 1), 9, nullptr },
        { "CC processor side parm 14", setCC (1, 1, 0x14, 1, 1, 1, 1), 10, nullptr },
        { "mode 4", setCC (1, 1, 0x12, 4, 1, 1, 1), 18, nullptr },
        { "flags of port 11 of 10", setFlags (11, 0x08, 0x08), 9, nullptr },
        { "flags parm 0A", setFlags (1, 0x0A, 0x08), 10, nullptr },
        { "load preset 5 of 4", loadPreset (5), 14, nullptr },
        { "load preset 0", loadPreset (0), 14, nullptr },
        { "save preset 33", savePreset (33), 14, nullptr },
    };

    for (const auto& c : cases)
    {
        auto emulated = makeInterface();
        auto before = makeInterface();
        Host host (productId, serialNumber, session);
        const auto replies = host.ask (*emulated, c.request);

        ASSERT_EQ (replies.size(), 1u) << c.what;
        EXPECT_EQ (ackError (replies[0]), c.expectedError) << c.what;

        if (c.changed)
        {
            EXPECT_TRUE (c.changed (*emulated)) << c.what;
        }
        else
        {
            // A refused request changes nothing: every read gives what it gave before.
            Host other (productId, serialNumber, session);

            for (int port = 1; port <= 10; ++port)
            {
                for (const auto& read : { ccInfo (port, 0x12), ccInfo (port, 0x13), portInfo (port) })
                    EXPECT_EQ (payloadOf (host.ask (*emulated, read)[0]), payloadOf (other.ask (*before, read)[0])) << c.what;
            }

            EXPECT_EQ (emulated->currentPreset, before->currentPreset) << c.what;
        }
    }
}

TEST (EmulatedInterface, ChangesReadBackAndPresetsRestoreThem)
{
    auto emulated = makeInterface();
    Host host (productId, serialNumber, session);

    ASSERT_EQ (ackError (host.ask (*emulated, setCC (4, 5, 0x12, 3, 0x4321, 21, 22))[0]), 0);
    auto reply = host.ask (*emulated, ccInfo (4, 0x12))[0];
    EXPECT_EQ (reply[38 + 80], 3);
    EXPECT_EQ ((reply[40 + 80] << 14) | (reply[41 + 80] << 7) | reply[42 + 80], 0x4321);

    ASSERT_EQ (ackError (host.ask (*emulated, savePreset (4))[0]), 0);
    ASSERT_EQ (ackError (host.ask (*emulated, loadPreset (3))[0]), 0);
    EXPECT_EQ (host.ask (*emulated, ccInfo (4, 0x12))[0][38 + 80], zun::Off);
    EXPECT_EQ (host.ask (*emulated, plain (SXMessage_GetSettingsDF, zun::TemplateLength::GetSettingsDF))[0][30], 3);

    ASSERT_EQ (ackError (host.ask (*emulated, loadPreset (4))[0]), 0);
    reply = host.ask (*emulated, ccInfo (4, 0x12))[0];
    EXPECT_EQ (reply[38 + 80], 3);
    EXPECT_EQ (reply[44 + 80], 21);
}

TEST (EmulatedInterface, AnswersOnlyFramesForItselfOrForEveryInterface)
{
    struct Case
    {
        const char* what;
        uint16_t targetProductId;
        uint32_t targetSerial;
        bool answered;
    };

    const Case cases[] = {
        { "itself", productId, serialNumber, true },
        { "every interface (target 0)", 0, 0, true },
        { "another serial number", productId, serialNumber + 1, false },
        { "another serial, bits 31..28 only", productId, serialNumber ^ 0x10000000, false },
        { "another product", 0x0124, serialNumber, false },
        { "product ID 0, its serial", 0, serialNumber, false },
        { "its product ID, serial 0", productId, 0, false },
    };

    for (const auto& c : cases)
    {
        auto emulated = makeInterface();
        Host host (c.targetProductId, c.targetSerial, session);
        EXPECT_EQ (host.ask (*emulated, plain (SXMessage_GetSettingsMI, zun::TemplateLength::GetSettingsMI)).size(),
                   c.answered ? 1u : 0u) << c.what;
        EXPECT_EQ (host.ask (*emulated, setFlags (1, 0x08, 0x00)).size(), c.answered ? 1u : 0u) << c.what;
        EXPECT_EQ (emulated->ports[0].inputFeatureFlags == 0x00, c.answered) << c.what;
    }
}

TEST (EmulatedInterface, IgnoresBrokenFramesAndPayloadsItDoesNotKnow)
{
    auto emulated = makeInterface();
    Host host (productId, serialNumber, session);
    const auto good = bytesOf (plain (SXMessage_GetSettingsMI, zun::TemplateLength::GetSettingsMI) (host.container.sysexMessage));

    // Re-makes the checksum after a change, so only the change itself is wrong.
    auto resum = [] (Bytes frame)
    {
        unsigned sum = 0;

        for (size_t i = 5; i + 2 < frame.size(); ++i)
            sum += frame[i];

        frame[frame.size() - 2] = (uint8_t) ((0u - sum) & 0x7F);
        return frame;
    };

    struct Case
    {
        const char* what;
        Bytes frame;
    };

    auto with = [&] (size_t position, uint8_t value, bool fixSum)
    {
        auto frame = good;
        frame[position] = value;
        return fixSum ? resum (frame) : frame;
    };

    const Case cases[] = {
        { "checksum one off", with (good.size() - 2, (uint8_t) ((good[good.size() - 2] + 1) & 0x7F), false) },
        { "header byte 4 differs", with (4, 0x7E, false) },
        { "no end byte", with (good.size() - 1, 0x00, false) },
        { "length field one too many", with (21, (uint8_t) (good[21] + 1), true) },
        { "last byte missing", Bytes (good.begin(), good.end() - 1) },
        { "a byte with bit 7 set", with (24, 0x81, true) },
        { "ping without payload", resum ({ 0xF0, 0x00, 0x6D, 0x39, 0x7D, 0x02, 0x23, 0x09, 0x50, 0x6C, 0x58, 0x3D,
                                          0x05, 0x2F, 0x1B, 0x6F, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0xF7 }) },
        { "asks a parm it does not know", with (29, 0x13, true) },
        { "CC read for parm 14", resum (bytesOf (ccInfo (1, 0x14) (host.container.sysexMessage))) },
        { "five bytes", { 0xF0, 0x00, 0x6D, 0x39, 0xF7 } },
    };

    for (const auto& c : cases)
        EXPECT_TRUE (emulated->handleRequest (juce::MidiMessage (c.frame.data(), (int) c.frame.size())).empty()) << c.what;

    EXPECT_EQ (emulated->handleRequest (juce::MidiMessage (good.data(), (int) good.size())).size(), 1u);

    // Arbitrary bytes between F0 and F7 never make it read outside them.
    juce::Random random (42);

    for (int i = 0; i < 3000; ++i)
    {
        Bytes frame (good);
        frame.resize ((size_t) random.nextInt ({ 2, 60 }));

        for (size_t k = 1; k + 1 < frame.size(); ++k)
            if (random.nextInt (4) == 0)
                frame[k] = (uint8_t) random.nextInt (128);

        frame.back() = 0xF7;
        emulated->handleRequest (juce::MidiMessage (frame.data(), (int) frame.size()));
    }
}

TEST (EmulatedInterface, FaultSwitchesDoWhatTheySay)
{
    const auto mi = plain (SXMessage_GetSettingsMI, zun::TemplateLength::GetSettingsMI);
    const auto di = plain (SXMessage_GetSettingsDI, zun::TemplateLength::GetSettingsDI);

    {
        auto emulated = makeInterface();
        Host host (productId, serialNumber, session);
        emulated->setSilentOn (EmulatedInterface::RequestKind::GetSettingsDI);
        EXPECT_TRUE (host.ask (*emulated, di).empty()) << "silent on DI";
        EXPECT_EQ (host.ask (*emulated, mi).size(), 1u) << "MI still answered";
        emulated->setSilentOn (EmulatedInterface::RequestKind::GetSettingsDI, false);
        EXPECT_EQ (host.ask (*emulated, di).size(), 1u) << "DI answered again";
    }

    {
        auto emulated = makeInterface();
        Host host (productId, serialNumber, session);
        emulated->setNegativeAcknowledgement (11);
        EXPECT_EQ (ackError (host.ask (*emulated, setFlags (1, 0x08, 0x00))[0]), 11);
        EXPECT_EQ (ackError (host.ask (*emulated, loadPreset (3))[0]), 11);
        EXPECT_EQ (emulated->ports[0].inputFeatureFlags, 0x09) << "a refused change is not applied";
        EXPECT_EQ (emulated->currentPreset, 1);
        EXPECT_EQ (payloadLength (host.ask (*emulated, mi)[0]), 12) << "reads are not refused";
        emulated->setNegativeAcknowledgement (0);
        EXPECT_EQ (ackError (host.ask (*emulated, setFlags (1, 0x08, 0x00))[0]), 0);
    }

    {
        auto emulated = makeInterface();
        Host host (productId, serialNumber, session);
        emulated->setReplySessionOverride (true, 0x0123456);
        const auto reply = host.ask (*emulated, mi)[0];
        EXPECT_EQ (groups (reply, 12, 4), 0x0123456u);
        EXPECT_FALSE (host.isValid (reply)) << "another session fails the application's check";
        emulated->setReplySessionOverride (false);
        EXPECT_TRUE (host.isValid (host.ask (*emulated, mi)[0]));
    }

    {
        auto emulated = makeInterface();
        Host host (productId, serialNumber, session);
        emulated->setCorruptChecksum (true);
        EXPECT_FALSE (host.isValid (host.ask (*emulated, mi)[0]));
        EXPECT_FALSE (host.isValid (host.ask (*emulated, setFlags (1, 0x08, 0x00))[0]));
        emulated->setCorruptChecksum (false);
        EXPECT_TRUE (host.isValid (host.ask (*emulated, mi)[0]));
    }
}

TEST (EmulatedInterface, CountsBeyondTheModelStillAnswerEveryRead)
{
    auto emulated = makeInterface();
    Host host (productId, serialNumber, session);
    emulated->setReportedCounts (100, 40, 9);

    EXPECT_EQ (host.ask (*emulated, plain (SXMessage_GetSettingsMI, zun::TemplateLength::GetSettingsMI))[0][30], 100);
    EXPECT_EQ (host.ask (*emulated, plain (SXMessage_GetSettingsMI, zun::TemplateLength::GetSettingsMI))[0][33], 9);
    EXPECT_EQ (host.ask (*emulated, plain (SXMessage_GetSettingsDI, zun::TemplateLength::GetSettingsDI))[0][33], 40);

    struct Case
    {
        const char* what;
        Build request;
        int numberPosition;
        int number;
    };

    const Case cases[] = {
        { "port 11, past the real ports", portInfo (11), 29, 11 },
        { "port 96", portInfo (96), 29, 96 },
        { "port 100", portInfo (100), 29, 100 },
        { "port 127, past the reported count", portInfo (127), 29, 127 },
        { "CC processors of port 96", ccInfo (96, 0x13), 29, 96 },
        { "preset 32", presetName (32), 29, 32 },
        { "preset 40", presetName (40), 29, 40 },
    };

    for (const auto& c : cases)
    {
        const auto replies = host.ask (*emulated, c.request);
        ASSERT_EQ (replies.size(), 1u) << c.what;
        EXPECT_TRUE (host.isValid (replies[0])) << c.what;
        EXPECT_EQ (replies[0][(size_t) c.numberPosition], c.number) << c.what;
    }

    EXPECT_EQ (nameAt (host.ask (*emulated, presetName (32))[0], 33), "Preset 32");
    EXPECT_EQ (host.ask (*emulated, portInfo (96))[0][35], zun::RTP);
    EXPECT_EQ (host.ask (*emulated, portInfo (127))[0][42], 0) << "no sides past the reported count";
    EXPECT_EQ (ackError (host.ask (*emulated, setCC (96, 1, 0x12, 1, 1, 1, 1))[0]), 9) << "made-up ports are not set";
}

TEST (EmulatedInterface, ATypicalInterfaceAtTheModelLimitsKeepsItsRepliesInShape)
{
    auto emulated = EmulatedInterface::makeTypical (productId, serialNumber, "Emulated MX-96", 96, 32);
    ASSERT_EQ (emulated->ports.size(), 96u);
    ASSERT_EQ (emulated->presets.size(), 32u);

    // Long and non-ASCII names are cut and made 7-bit, so the items stay inside the payload and
    // the port names inside the frame's first 256 bytes.
    emulated->ports[95].inputName = juce::String::repeatedString (juce::String (juce::CharPointer_UTF8 ("\xc3\xa9")), 300);
    emulated->ports[95].outputName = juce::String::repeatedString ("x", 300);
    emulated->presets[31].name = juce::String::repeatedString ("p", 300);
    emulated->productName = juce::String::repeatedString ("n", 300);

    Host host (productId, serialNumber, session);
    std::vector<Bytes> replies;

    for (int port = 1; port <= 96; ++port)
        replies.push_back (host.ask (*emulated, portInfo (port))[0]);

    for (int preset = 1; preset <= 32; ++preset)
        replies.push_back (host.ask (*emulated, presetName (preset))[0]);

    replies.push_back (host.ask (*emulated, plain (SXMessage_GetProductName, zun::TemplateLength::GetProductName))[0]);

    for (size_t i = 0; i < replies.size(); ++i)
    {
        const auto& reply = replies[i];
        ASSERT_TRUE (host.isValid (reply)) << i;

        for (size_t k = 1; k + 1 < reply.size(); ++k)
            ASSERT_LT (reply[k], 0x80) << i;

        if (i < 96)
        {
            const int q = 49 + reply[49];
            EXPECT_EQ ((size_t) reply[29], i + 1);
            EXPECT_LE (q + reply[(size_t) q], 256) << i;
            EXPECT_EQ (q + reply[(size_t) q], 22 + payloadLength (reply)) << i;
        }
    }

    EXPECT_TRUE (nameAt (replies[95], 49).containsOnly ("?"));
}

TEST (EmulatedInterface, LogsEveryRequestAndReply)
{
    auto emulated = makeInterface();
    Host host (productId, serialNumber, session);

    const auto reply = host.ask (*emulated, plain (SXMessage_GetSettingsMI, zun::TemplateLength::GetSettingsMI))[0];
    host.ask (*emulated, setFlags (1, 0x08, 0x00));
    Host (productId, serialNumber + 1, session).ask (*emulated, plain (SXMessage_GetSettingsMI, zun::TemplateLength::GetSettingsMI));

    const auto lines = emulated->getLogLines();
    ASSERT_EQ (lines.size(), 4);
    EXPECT_EQ (lines[0], "recv GetSettingsMI 03 05 01 05 01 02 01 12");
    EXPECT_TRUE (lines[1].startsWith ("send RetParmVal MIDIInfo F0 00 6D 39 7D ")) << lines[1];
    EXPECT_EQ (lines[2], "recv SetPortFeatureFlags 10 06 02 05 04 01 05 01 06 03 01 03 08 00");
    EXPECT_TRUE (lines[3].startsWith ("send Ack None ")) << lines[3];

    const auto log = emulated->getLog();
    EXPECT_EQ (log[1].frame, reply);
    EXPECT_FALSE (log[1].received);
    EXPECT_EQ (log[2].kind, EmulatedInterface::RequestKind::SetPortFeatureFlags);

    const auto received = emulated->getReceivedRequests();
    ASSERT_EQ (received.size(), 2u);
    EXPECT_EQ (received[0].kind, EmulatedInterface::RequestKind::GetSettingsMI);

    emulated->clearLog();
    emulated->setLogging (false);
    host.ask (*emulated, plain (SXMessage_GetSettingsMI, zun::TemplateLength::GetSettingsMI));
    EXPECT_TRUE (emulated->getLog().empty());
}

//==============================================================================
// Through the virtual MIDI service: what the application's output sends reaches the interface,
// and its replies come back on the pair's input, on the delivery thread.
namespace
{
struct Collector : MidiPortInputCallback
{
    void handleIncomingMidiMessage (MidiPortInput*, const juce::MidiMessage& message) override
    {
        const std::lock_guard<std::mutex> guard (mutex);
        received.push_back (bytesOf (message));
    }

    std::vector<Bytes> get()
    {
        const std::lock_guard<std::mutex> guard (mutex);
        return received;
    }

    std::mutex mutex;
    std::vector<Bytes> received;
};

juce::String identifierOf (const juce::Array<juce::MidiDeviceInfo>& devices, const juce::String& name)
{
    for (const auto& d : devices)
        if (d.name == name)
            return d.identifier;

    return {};
}
} // namespace

TEST (EmulatedInterface, AnswersThroughTheVirtualServiceOnThePairItWasAskedOn)
{
    auto emulated = makeInterface();
    VirtualMidiService service; // destroyed before the interface behind it
    emulated->attach (service, "Pair A");
    emulated->attach (service, "Pair B");

    Collector inA, inB;
    auto inputA = service.openInput (identifierOf (service.getAvailableInputs(), "Pair A"), inA);
    auto inputB = service.openInput (identifierOf (service.getAvailableInputs(), "Pair B"), inB);
    auto outputA = service.openOutput (identifierOf (service.getAvailableOutputs(), "Pair A"));
    ASSERT_TRUE (inputA != nullptr && inputB != nullptr && outputA != nullptr);
    inputA->start();
    inputB->start();

    zun::DeviceContainer host;
    host.sysexMessage.productId = productId;
    host.sysexMessage.serialNumber = serialNumber;
    host.sysexMessage.sessionId = session;

    outputA->sendMessageNow (host.sysexMessage.CreateMessage (SXMessage_GetSettingsMI, zun::TemplateLength::GetSettingsMI));
    ASSERT_TRUE (testing_support::runMessageLoopUntil ([&] { return ! inA.get().empty(); }, 2000));
    EXPECT_TRUE (host.IsValidMidiMessage (juce::MidiMessage (inA.get()[0].data(), (int) inA.get()[0].size())));
    EXPECT_TRUE (inB.get().empty()) << "the reply goes back on the pair asked only";

    // A late reply is not there early, and arrives.
    emulated->setReplyDelayMs (300.0);
    outputA->sendMessageNow (host.sysexMessage.CreateMessage (SXMessage_GetSettingsDI, zun::TemplateLength::GetSettingsDI));
    testing_support::runMessageLoopFor (100);
    EXPECT_EQ (inA.get().size(), 1u);
    EXPECT_TRUE (testing_support::runMessageLoopUntil ([&] { return inA.get().size() == 2; }, 3000));

    // Foreign traffic: clock, note on, note off and another manufacturer's System Exclusive, on
    // every pair.
    emulated->sendForeignTraffic();
    ASSERT_TRUE (testing_support::runMessageLoopUntil ([&] { return inA.get().size() == 6 && inB.get().size() == 4; }, 2000));
    const auto foreign = inB.get();
    EXPECT_EQ (foreign[0], Bytes { 0xF8 });
    EXPECT_EQ (foreign[1][0], 0x90);
    EXPECT_EQ (foreign[2][0], 0x80);
    EXPECT_EQ (foreign[3][0], 0xF0);
    EXPECT_NE (foreign[3][1], 0x00);

    inputA->stop();
    inputB->stop();
}
