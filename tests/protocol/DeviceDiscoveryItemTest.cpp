#include "protocol/DeviceDiscoveryItem.h"
#include "ProtocolTestBytes.h"
#include "protocol/DeviceContainer.h"

#include <gtest/gtest.h>

using namespace protocol_test;

namespace
{
// A discovery reply's 23-byte payload: DevSesnVal, SessionInfo and the fixed bytes at frame
// positions 38, 42 and 44 (payload bytes 16, 20 and 22).
Bytes ReplyPayload()
{
    auto payload = Hex ("41 01 01 14 03 01 12 01 00 00 00 00 00 00 00 00 01 00 00 00 02 00 0F");
    return payload;
}

Bytes Reply (uint16_t productId, uint32_t serialNumber, uint32_t transactionId = 0)
{
    return Frame ({productId, serialNumber, 0, transactionId}, ReplyPayload());
}

Bytes WithByte (Bytes frame, size_t position, uint8_t value)
{
    frame[position] = value;
    FixChecksum (frame);
    return frame;
}

struct Expected
{
    int inputIndex;
    int outputIndex;
    uint16_t productId;
    uint32_t serialNumber;
    const char* displayName;
};

void ExpectDevices (const zun::DeviceDiscoveryItem& list, std::vector<Expected> expected, const char* what)
{
    ASSERT_EQ (list.devices.size(), static_cast<int> (expected.size())) << what;

    for (int i = 0; i < list.devices.size(); ++i)
    {
        const auto& d = *list.devices[i];
        const auto& e = expected[size_t (i)];
        EXPECT_EQ (d.inputIndex, e.inputIndex) << what << " entry " << i;
        EXPECT_EQ (d.outputIndex, e.outputIndex) << what << " entry " << i;
        EXPECT_EQ (d.productId, e.productId) << what << " entry " << i;
        EXPECT_EQ (d.serialNumber, e.serialNumber) << what << " entry " << i;
        EXPECT_EQ (d.displayName, juce::String (e.displayName)) << what << " entry " << i;
    }
}
} // namespace

TEST (DeviceDiscoveryItem, ReplyFramesPassTheFrameCheckWithoutSession)
{
    zun::DeviceContainer container;
    const auto reply = Reply (0x12, 0x3A);

    EXPECT_EQ (reply.size(), 47u);
    EXPECT_TRUE (container.IsValidMidiMessage (Message (reply)));
}

TEST (DeviceDiscoveryItem, EntriesInReplyOrderWithoutDuplicates)
{
    struct Reply_
    {
        Bytes frame;
        int input;
        int output;
    };
    struct Case
    {
        const char* what;
        std::vector<Reply_> replies;
        std::vector<Expected> expected;
    };
    const Case cases[] = {
        {"no reply gives no entry", {}, {}},
        {"display name is hexadecimal, zero-padded",
         {{Reply (0x12, 0x3A), 0, 0}},
         {{0, 0, 0x12, 0x3A, "Product ID: 0012 SN: 0000003A"}}},
        {"product ID 0 and serial 0 are an interface",
         {{Reply (0, 0), 1, 2}},
         {{1, 2, 0, 0, "Product ID: 0000 SN: 00000000"}}},
        {"widest values, upper-case digits",
         {{Reply (0x3FFF, 0xFEDCBA98), 3, 3}},
         {{3, 3, 0x3FFF, 0xFEDCBA98, "Product ID: 3FFF SN: FEDCBA98"}}},
        {"the first reply of an interface decides its ports",
         {{Reply (0x0123, 0x9A1B2C3D), 2, 1}, {Reply (0x0123, 0x9A1B2C3D, 7), 3, 4}},
         {{2, 1, 0x0123, 0x9A1B2C3D, "Product ID: 0123 SN: 9A1B2C3D"}}},
        {"same product ID, other serial number: two interfaces in reply order",
         {{Reply (0x0123, 0x00000002), 0, 0}, {Reply (0x0123, 0x00000001), 1, 1}},
         {{0, 0, 0x0123, 2, "Product ID: 0123 SN: 00000002"}, {1, 1, 0x0123, 1, "Product ID: 0123 SN: 00000001"}}},
        {"same serial number, other product ID: two interfaces",
         {{Reply (0x0001, 0x55), 0, 1}, {Reply (0x0002, 0x55), 1, 0}, {Reply (0x0001, 0x55), 5, 5}},
         {{0, 1, 0x0001, 0x55, "Product ID: 0001 SN: 00000055"}, {1, 0, 0x0002, 0x55, "Product ID: 0002 SN: 00000055"}}},
        {"byte 7 holds serial bits 31..28 only",
         {{WithByte (Reply (0x0001, 0), 7, 0x12), 0, 0}},
         {{0, 0, 0x0001, 0x20000000, "Product ID: 0001 SN: 20000000"}}},
    };

    for (const auto& c : cases)
    {
        zun::DeviceDiscoveryItem list;

        for (const auto& r : c.replies)
            list.AddDevice (Message (r.frame), r.input, r.output);

        ExpectDevices (list, c.expected, c.what);
    }
}

TEST (DeviceDiscoveryItem, RepliesThatAreNotDiscoveryRepliesAddNothing)
{
    const auto good = Reply (0x12, 0x3A);

    auto longer = Frame ({0x12, 0x3A, 0, 0}, []
                         { auto p = ReplyPayload(); p.push_back (0); return p; }());
    longer[44] = 0x0F; // keep the tested bytes where a 47-byte reply has them
    FixChecksum (longer);

    struct Case
    {
        const char* what;
        Bytes frame;
    };
    const Case cases[] = {
        {"length field 22", WithByte (good, 21, 22)},
        {"length field 24", WithByte (good, 21, 24)},
        {"length field with its high group set", WithByte (good, 20, 0x01)},
        {"a 48-byte frame with payload length 24", longer},
        {"message class 43", WithByte (good, 22, 0x43)},
        {"data class 02", WithByte (good, 23, 0x02)},
        {"byte 38 is 00", WithByte (good, 38, 0x00)},
        {"byte 42 is 03", WithByte (good, 42, 0x03)},
        {"byte 44 is 0E", WithByte (good, 44, 0x0E)},
        // Shorter than a discovery reply: nothing past the message's end may be read.
        {"46 bytes", Bytes (good.begin(), good.end() - 1)},
        {"45 bytes", Bytes (good.begin(), good.end() - 2)},
        {"24 bytes", Frame ({0x12, 0x3A, 0, 0}, {})},
        {"one byte", Hex ("F0")},
    };

    for (const auto& c : cases)
    {
        zun::DeviceDiscoveryItem list;
        list.AddDevice (Message (c.frame), 1, 1);
        EXPECT_EQ (list.devices.size(), 0) << c.what;
    }
}

TEST (DeviceDiscoveryItem, ClearedListTakesTheSameInterfacesAnewInTheirNewOrder)
{
    zun::DeviceDiscoveryItem list;
    list.AddDevice (Message (Reply (1, 1)), 0, 0);
    list.AddDevice (Message (Reply (2, 2)), 1, 1);

    list.devices.clear();
    list.AddDevice (Message (Reply (2, 2)), 4, 5);
    list.AddDevice (Message (Reply (1, 1)), 6, 7);

    ExpectDevices (list, {{4, 5, 2, 2, "Product ID: 0002 SN: 00000002"}, {6, 7, 1, 1, "Product ID: 0001 SN: 00000001"}},
                   "after clearing");
}
