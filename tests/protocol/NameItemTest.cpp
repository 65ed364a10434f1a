#include "protocol/NameItem.h"
#include "ProtocolTestBytes.h"

#include <gtest/gtest.h>

using namespace protocol_test;

TEST (NameItem, ReadsOnlyItemsWhollyInsideTheLimit)
{
    const juce::String untouched ("untouched");

    // Items are placed at position 2 behind two filler bytes, so positions are not all zero.
    struct Case
    {
        const char* what;
        Bytes bytes;
        int position;
        int limit;
        bool expected;
        juce::String name;
    };
    const Case cases[] = {
        {"a name of two letters", Hex ("FF FF 04 0A 41 42"), 2, 6, true, "AB"},
        {"the item may end exactly at the limit", Hex ("FF FF 04 0A 41 42 43"), 2, 6, true, "AB"},
        {"an item of length 2 is an empty name", Hex ("FF FF 02 0A"), 2, 4, true, ""},
        {"an item of length 1 is no name", Hex ("FF FF 01 0A 41"), 2, 5, false, untouched},
        {"an item of length 0 is no name", Hex ("FF FF 00 0A 41"), 2, 5, false, untouched},
        {"an item ending one past the limit is no name", Hex ("FF FF 05 0A 41 42 43"), 2, 6, false, untouched},
        {"an item longer than the whole frame is no name", Hex ("FF FF FF 0A 41"), 2, 5, false, untouched},
        {"a position at the limit is no name", Hex ("FF FF 02 0A"), 4, 4, false, untouched},
        {"a position past the limit is no name", Hex ("FF FF 02 0A"), 5, 4, false, untouched},
        {"a negative position is no name", Hex ("02 0A"), -1, 2, false, untouched},
        {"0x00 bytes are dropped", Hex ("FF FF 06 0B 00 41 00 42"), 2, 8, true, "AB"},
        {"a name of only 0x00 bytes is empty", Hex ("FF FF 04 0B 00 00"), 2, 6, true, ""},
        {"the parm byte is not part of the name", Hex ("FF FF 03 41 42"), 2, 5, true, "B"},
        {"bytes above 7F are Latin-1", Hex ("FF FF 05 01 43 E9 FF"), 2, 7, true, juce::String ("C") + juce::String::charToString (0xE9) + juce::String::charToString (0xFF)},
        {"byte 80 is a valid character", Hex ("FF FF 03 01 80"), 2, 5, true, juce::String::charToString (0x80)},
    };

    for (const auto& c : cases)
    {
        auto name = untouched;
        EXPECT_EQ (zun::ReadNameItem (c.bytes.data(), c.position, c.limit, name), c.expected) << c.what;
        EXPECT_EQ (name, c.name) << c.what;
        EXPECT_TRUE (juce::CharPointer_UTF8::isValidString (name.toRawUTF8(), 1000)) << c.what;
    }
}

TEST (NameItem, LongestItemKeepsEveryCharacter)
{
    Bytes bytes (255, 'x');
    bytes[0] = 255;
    bytes[1] = 0x01;

    juce::String name;
    ASSERT_TRUE (zun::ReadNameItem (bytes.data(), 0, 255, name));
    EXPECT_EQ (name.length(), 253);
}
