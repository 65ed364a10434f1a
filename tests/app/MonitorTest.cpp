#include "app/MainComponent.h"
#include "app/MonitorText.h"
#include "emulator/VirtualMidiService.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>
#include <vector>

namespace
{
using Bytes = std::vector<uint8_t>;

juce::MidiMessage midi (const Bytes& bytes, double timeStamp = 0.0)
{
    return juce::MidiMessage (bytes.data(), (int) bytes.size(), timeStamp);
}

// A frame of the device protocol built here, independently of the application's frame builder.
Bytes frame (uint32_t session, const Bytes& payload, uint32_t transaction = 0x77)
{
    Bytes f { 0xf0, 0x00, 0x6d, 0x39, 0x7d, 0x02, 0x23, 0x09, 0x50, 0x6c, 0x58, 0x3d };

    for (auto shift : { 21, 14, 7, 0 })
        f.push_back ((uint8_t) ((session >> shift) & 0x7f));

    for (auto shift : { 21, 14, 7, 0 })
        f.push_back ((uint8_t) ((transaction >> shift) & 0x7f));

    f.push_back ((uint8_t) ((payload.size() >> 7) & 0x7f));
    f.push_back ((uint8_t) (payload.size() & 0x7f));
    f.insert (f.end(), payload.begin(), payload.end());

    int sum = 0;
    for (size_t i = 5; i < f.size(); ++i)
        sum += f[i];

    f.push_back ((uint8_t) ((0 - sum) & 0x7f));
    f.push_back (0xf7);
    return f;
}

juce::String dumpOf (const Bytes& bytes, size_t from, size_t to)
{
    juce::StringArray parts;
    for (size_t i = from; i < to; ++i)
        parts.add (juce::String::toHexString ((int) bytes[i]).paddedLeft ('0', 2));
    return parts.joinIntoString (" ");
}

const Bytes discoveryRequest { 0xf0, 0x00, 0x6d, 0x39, 0x7d, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                               0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0a, 0x01, 0x01,
                               0x01, 0x07, 0x03, 0x01, 0x04, 0x01, 0x04, 0x00, 0x5f, 0xf7 };

const Bytes acknowledgement { 0xf0, 0x00, 0x6d, 0x39, 0x7d, 0x02, 0x23, 0x09, 0x50, 0x6c, 0x58, 0x3d, 0x05, 0x2f, 0x1b,
                              0x6f, 0x00, 0x00, 0x00, 0x05, 0x00, 0x05, 0x40, 0x00, 0x11, 0x00, 0x00, 0x68, 0xf7 };

constexpr uint32_t ackSession = 0x00abcdef;

struct MonitorFixture : public ::testing::Test
{
    VirtualMidiService service;
    MainComponent mc { service };

    void SetUp() override { mc.showMidiMessagesToggle.setToggleState (true, juce::dontSendNotification); }

    juce::String lastLine() const { return mc.messageLog.getLine (mc.messageLog.getNumLines() - 1); }

    void clickClearLog()
    {
        mc.clearLogButton.triggerClick();
        testing_support::runMessageLoopUntil ([this]
                                              { return mc.messageLog.getNumLines() == 0; },
                                              1000);
    }
};
} // namespace

TEST_F (MonitorFixture, LinesOfTheExamples)
{
    struct Case
    {
        const char* what;
        Bytes bytes;
        double timeStamp;
        bool sent;
        uint32_t session;
        int number; // the line's number: number - 1 lines are written before it
        juce::String expected;
    };

    const auto ping = frame (ackSession, {});
    const auto portInfo = frame (0, { 0x43, 0x06, 0x01, 0x00 });
    const auto unnamedData = frame (0, { 0x43, 0x7e, 0x01, 0x00 });
    const auto refused = frame (0, { 0x40, 0x00, 0x10, 0x06, 0x0b });
    const auto unknownError = frame (0, { 0x40, 0x00, 0x10, 0x06, 0x14 });
    const auto shortAck = frame (0, { 0x40, 0x00, 0x11 });
    const auto notParmVal = frame (0, { 0x50, 0x05, 0x00 });

    const Case cases[] = {
        { "first discovery request", discoveryRequest, 12.5, true, 0, 1,
          "1 - 00:00:12.500 S HstSesnVal SessionInfo: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 0a 01 01 01 07 03 01 04 01 04 00 5f" },
        { "acknowledgement in its session", acknowledgement, 3723.0456, false, ackSession, 12,
          "12 - 01:02:03.045 R Ack None: 02 23 09 50 6c 58 3d 05 2f 1b 6f 00 00 00 05 00 05 40 00 11 00 00 68" },
        { "acknowledgement without a session", acknowledgement, 3723.0456, false, 0, 12,
          "12 - 01:02:03.045 R Ack None: 02 23 09 50 6c 58 3d 05 2f 1b 6f 00 00 00 05 00 05 40 00 11 00 00 68" },
        { "acknowledgement of another session is a dump of every byte", acknowledgement, 3723.0456, false, 0x0123456, 1,
          "1 - 01:02:03.045 R " + dumpOf (acknowledgement, 0, acknowledgement.size()) },
        { "frame without payload", ping, 1.0, false, ackSession, 1,
          "1 - 00:00:01.000 R Ping: " + dumpOf (ping, 5, ping.size() - 1) },
        { "message and data class", portInfo, 1.0, false, 0, 1,
          "1 - 00:00:01.000 R RetParmVal MIDIPortInfo: " + dumpOf (portInfo, 5, portInfo.size() - 1) },
        { "data class 7E has no name", unnamedData, 1.0, false, 0, 1,
          "1 - 00:00:01.000 R RetParmVal DC?: " + dumpOf (unnamedData, 5, unnamedData.size() - 1) },
        { "NotParmVal keeps its comma", notParmVal, 1.0, false, 0, 1,
          "1 - 00:00:01.000 R NotParmVal, MIDIInfo: " + dumpOf (notParmVal, 5, notParmVal.size() - 1) },
        { "refused change", refused, 1.0, false, 0, 1,
          "1 - 00:00:01.000 R Ack ParmValueInvalid: " + dumpOf (refused, 5, refused.size() - 1) },
        { "error code 20", unknownError, 1.0, false, 0, 1,
          "1 - 00:00:01.000 R Ack ???: " + dumpOf (unknownError, 5, unknownError.size() - 1) },
        // Byte 26 of this frame is its F7: it holds no error code and is not read as one.
        { "acknowledgement too short for an error code", shortAck, 1.0, false, 0, 1,
          "1 - 00:00:01.000 R Ack ???: " + dumpOf (shortAck, 5, shortAck.size() - 1) },
        { "time with hours", { 0xf8 }, 3723.0456, false, 0, 1, "1 - 01:02:03.045 R f8" },
        { "milliseconds never reach 1000", { 0xf8 }, 59.9999, false, 0, 1, "1 - 00:00:59.999 R f8" },
        { "hours wrap after a day", { 0xf8 }, 2200000.5, false, 0, 1, "1 - 11:06:40.500 R f8" },
    };

    for (const auto& c : cases)
    {
        clickClearLog();
        mc.deviceContainer.sysexMessage.sessionId = c.session;

        for (int i = 1; i < c.number; ++i)
            mc.addMessageToList (midi ({ 0xfe }), false);

        const auto textBefore = mc.messageLog.getText();
        mc.addMessageToList (midi (c.bytes, c.timeStamp), c.sent);

        EXPECT_EQ (mc.messageLog.getNumLines(), c.number) << c.what;
        EXPECT_EQ (lastLine(), c.expected) << c.what;
        // The view holds the text as a multi-line editor would: "\r\n" became one "\n".
        EXPECT_EQ (mc.messageLog.getText(), textBefore + c.expected + "\n") << c.what;
    }
}

TEST_F (MonitorFixture, OrdinaryMidiDescriptions)
{
    struct Case
    {
        const char* what;
        Bytes bytes;
        juce::String expected;
    };

    const Case cases[] = {
        { "note on", { 0x90, 0x3c, 0x64 }, "Note on C3" },
        { "note on with velocity 0", { 0x90, 0x3c, 0x00 }, "Note off C3" },
        { "note off", { 0x80, 0x3c, 0x40 }, "Note off C3" },
        { "lowest note", { 0x91, 0x00, 0x01 }, "Note on C-2" },
        { "highest note", { 0x9f, 0x7f, 0x01 }, "Note on G8" },
        { "after touch", { 0xa0, 0x3d, 0x22 }, "After touch C#3: 34" },
        { "pitch wheel", { 0xe0, 0x00, 0x40 }, "Pitch wheel 8192" },
        { "program change", { 0xc0, 0x05 }, "Program change 5" },
        { "channel pressure", { 0xd0, 0x7f }, "Channel pressure 127" },
        { "all notes off", { 0xb0, 0x7b, 0x00 }, "All notes off" },
        { "all sound off", { 0xb0, 0x78, 0x00 }, "All sound off" },
        { "controller without a name", { 0xb0, 0x03, 0x40 }, "Controller [3]: 64" },
        { "controller with a name", { 0xb3, 0x07, 0x64 }, juce::String ("Controller ") + juce::MidiMessage::getControllerName (7) + ": 100" },
        { "meta event", { 0xff }, "Meta event" },
        { "clock", { 0xf8 }, "f8" },
        { "foreign system exclusive", { 0xf0, 0x7e, 0x7f, 0x06, 0x01, 0xf7 }, "f0 7e 7f 06 01 f7" },
        { "damaged protocol frame", { 0xf0, 0x00, 0x6d, 0x39, 0x7d, 0xf7 }, "f0 00 6d 39 7d f7" },
        // Channel messages cut short: the missing bytes are not read.
        { "note on without velocity", { 0x90, 0x3c }, "90 3c" },
        { "controller without value", { 0xb0, 0x07 }, "b0 07" },
        { "pitch wheel without its high byte", { 0xe0, 0x00 }, "e0 00" },
        { "status byte alone", { 0xc0 }, "c0" },
    };

    for (const auto& c : cases)
    {
        mc.addMessageToList (midi (c.bytes, 1.0), false);
        EXPECT_EQ (lastLine().fromFirstOccurrenceOf (" R ", false, false), c.expected) << c.what;
    }
}

TEST_F (MonitorFixture, LineEndIsCarriageReturnAndNewLine)
{
    EXPECT_EQ (monitor_text::makeLine (7, 1.0, true, "Ping: 00"), "7 - 00:00:01.000 S Ping: 00\r\n");
}

TEST_F (MonitorFixture, UntickedToggleLeavesNoLineAndKeepsTheCount)
{
    mc.addMessageToList (midi ({ 0xf8 }), false);
    mc.addMessageToList (midi ({ 0xf8 }), true);

    mc.showMidiMessagesToggle.setToggleState (false, juce::dontSendNotification);
    for (int i = 0; i < 3; ++i)
        mc.addMessageToList (midi ({ 0xf8 }), false);

    EXPECT_EQ (mc.messageLog.getNumLines(), 2);
    EXPECT_EQ (mc.logLineCount, 3);

    mc.showMidiMessagesToggle.setToggleState (true, juce::dontSendNotification);
    mc.addMessageToList (midi ({ 0xf8 }), false);

    ASSERT_EQ (mc.messageLog.getNumLines(), 3);
    EXPECT_TRUE (lastLine().startsWith ("3 - ")) << lastLine();
}

TEST_F (MonitorFixture, ClearLogRestartsTheNumbering)
{
    struct Case
    {
        const char* what;
        bool tickedWhileClearing;
    };

    const Case cases[] = { { "ticked", true }, { "unticked", false } };

    for (const auto& c : cases)
    {
        mc.showMidiMessagesToggle.setToggleState (true, juce::dontSendNotification);
        for (int i = 0; i < 4; ++i)
            mc.addMessageToList (midi ({ 0xf8 }), false);

        mc.showMidiMessagesToggle.setToggleState (c.tickedWhileClearing, juce::dontSendNotification);
        clickClearLog();

        EXPECT_EQ (mc.messageLog.getNumLines(), 0) << c.what;
        EXPECT_EQ (mc.messageLog.getText(), "") << c.what;
        EXPECT_EQ (mc.logLineCount, 1) << c.what;
        EXPECT_EQ (mc.showMidiMessagesToggle.getToggleState(), c.tickedWhileClearing) << c.what;

        mc.showMidiMessagesToggle.setToggleState (true, juce::dontSendNotification);
        mc.addMessageToList (midi ({ 0xf8 }), true);
        EXPECT_TRUE (lastLine().startsWith ("1 - ")) << c.what << ": " << lastLine();
    }
}

TEST_F (MonitorFixture, SelectionIsNotReplacedByTheNextLine)
{
    for (int i = 0; i < 3; ++i)
        mc.addMessageToList (midi ({ 0xf8 }), false);

    const auto before = mc.messageLog.getText();
    mc.messageLog.setSelection (0, 0, 1, 5);
    ASSERT_TRUE (mc.messageLog.hasSelection());
    EXPECT_EQ (mc.messageLog.getSelectedText(), mc.messageLog.getLine (0) + "\n" + mc.messageLog.getLine (1).substring (0, 5));

    mc.addMessageToList (midi ({ 0x90, 0x3c, 0x64 }), false);

    EXPECT_EQ (mc.messageLog.getNumLines(), 4);
    EXPECT_TRUE (mc.messageLog.getText().startsWith (before));
    EXPECT_TRUE (lastLine().startsWith ("4 - ")) << lastLine();
    EXPECT_TRUE (lastLine().endsWith (" R Note on C3")) << lastLine();
}

TEST_F (MonitorFixture, NewLinesScrollIntoSight)
{
    mc.messageLog.setSize (764, 132);

    for (int i = 0; i < 200; ++i)
        mc.addMessageToList (midi ({ 0xf8 }), false);

    // The last line is in the last screenful, whatever the font's metrics.
    EXPECT_GT (mc.messageLog.getFirstVisibleLine(), 180);
}
