#include "app/MainComponent.h"
#include "app/MonitorText.h"
#include "../protocol/ProtocolTestBytes.h"
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
Bytes frame (uint32_t session, const Bytes& payload)
{
    return protocol_test::Frame ({ 0x0123, 0x9a1b2c3d, session, 0x77 }, payload);
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

namespace
{
// The log's scroll bars, wherever they sit among its children.
std::vector<juce::ScrollBar*> scrollBarsOf (juce::Component& c)
{
    std::vector<juce::ScrollBar*> bars;

    for (auto* child : c.getChildren())
    {
        if (auto* bar = dynamic_cast<juce::ScrollBar*> (child))
            bars.push_back (bar);

        const auto inner = scrollBarsOf (*child);
        bars.insert (bars.end(), inner.begin(), inner.end());
    }

    return bars;
}

// The right edge of the room for text: the view's width less a vertical bar in sight.
float textRight (MessageLogView& log)
{
    float right = (float) log.getWidth();

    for (auto* bar : scrollBarsOf (log))
        if (bar->isVisible() && bar->isVertical())
            right = juce::jmin (right, (float) bar->getX());

    return right;
}

// Reads the rows of a line back from where its characters are drawn and checks that they are
// word-wrapped: left-aligned rows one under the other, no visible character past the text's right
// edge, each break after a blank unless the row is full, and no row that could still have taken
// the next row's first word. Returns the number of rows.
int checkWrapped (MessageLogView& log, int lineIndex, const std::string& what)
{
    const auto line = log.getLine (lineIndex);
    const auto right = textRight (log);
    const auto first = log.getCharacterBounds (lineIndex, 0);
    const float cw = first.getWidth();
    std::vector<juce::String> rows { {} };
    float rowY = first.getY();

    for (int i = 0; i < line.length(); ++i)
    {
        const auto b = log.getCharacterBounds (lineIndex, i);

        if (b.getY() != rowY)
        {
            EXPECT_FLOAT_EQ (b.getY(), rowY + first.getHeight()) << what << ": column " << i;
            rowY = b.getY();
            rows.push_back ({});
        }

        EXPECT_FLOAT_EQ (b.getX(), first.getX() + (float) rows.back().length() * cw) << what << ": column " << i;

        if (line[i] != ' ')
        {
            EXPECT_LE (b.getRight(), right + 0.01f) << what << ": column " << i << " is past the edge";
        }

        rows.back() << juce::String::charToString (line[i]);
    }

    const int capacity = (int) std::floor ((right - first.getX()) / cw + 0.01f);

    for (size_t r = 0; r + 1 < rows.size(); ++r)
    {
        const auto visible = rows[r].trimEnd();
        const auto nextWord = rows[r + 1].upToFirstOccurrenceOf (" ", false, false);
        const bool brokeAtBlank = rows[r].endsWithChar (' ');

        // Broken inside a word only when the word alone is wider than a row.
        EXPECT_TRUE (brokeAtBlank || (visible.length() == capacity && ! visible.containsChar (' ')))
            << what << ": row " << r << " '" << rows[r] << "'";
        EXPECT_GT (visible.length() + 1 + nextWord.length(), capacity) << what << ": row " << r << " could take '" << nextWord << "'";
    }

    return (int) rows.size();
}

// A System Exclusive message of `size` bytes that is no frame of the device protocol: the monitor
// shows it as one long hexadecimal dump, like a CC-processor request.
juce::MidiMessage longSysex (int size)
{
    Bytes bytes { 0xf0 };
    for (int i = 1; i < size - 1; ++i)
        bytes.push_back ((uint8_t) (i & 0x7f));
    bytes.push_back (0xf7);
    return midi (bytes);
}

void mouseOnLog (MessageLogView& log, bool press, juce::Point<float> where, bool shift = false)
{
    auto* area = log.getChildComponent (0);
    const auto now = juce::Time::getCurrentTime();
    const juce::MouseEvent e (juce::Desktop::getInstance().getMainMouseSource(), where - area->getPosition().toFloat(),
                              juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier | (shift ? juce::ModifierKeys::shiftModifier : 0)),
                              1.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                              area, area, now, where, now, 1, ! press);
    if (press)
        area->mouseDown (e);
    else
        area->mouseDrag (e);
}

// A point a quarter into the character at (line, column).
juce::Point<float> pointAt (MessageLogView& log, int line, int column)
{
    const auto b = log.getCharacterBounds (line, column);
    return { b.getX() + b.getWidth() * 0.25f, b.getCentreY() };
}
} // namespace

TEST_F (MonitorFixture, LongLinesWrapAtBlanksToTheWidthOfTheLog)
{
    mc.addMessageToList (longSysex (96), true);
    const auto dumpLine = lastLine();
    ASSERT_GT (dumpLine.length(), 280);

    // The log as laid out in the window: the whole line readable without sideways scrolling.
    EXPECT_GE (checkWrapped (mc.messageLog, 0, "log in the window"), 2);

    const auto longWord = "short " + juce::String::repeatedString ("x", 100) + " tail";
    const auto blankRuns = juce::String::repeatedString ("alpha   beta     gamma ", 12);

    struct Case
    {
        const char* what;
        int width;
        juce::String line;
        int minRows;
    };

    const Case cases[] = {
        { "protocol dump, wide log", 764, dumpLine, 2 },
        { "protocol dump, narrow log", 240, dumpLine, 9 },
        { "a word longer than a row breaks inside it", 240, longWord, 4 },
        { "runs of blanks at a break stay on their row", 200, blankRuns, 9 },
        { "a short line is one row", 240, "1 - 00:00:00.000 R f8", 1 },
    };

    for (auto& c : cases)
    {
        MessageLogView log;
        log.setSize (c.width, 132);

        for (int i = 0; i < 20; ++i)
            log.appendLine (c.line + "\r\n");

        for (int i : { 0, 19 })
            EXPECT_GE (checkWrapped (log, i, std::string (c.what) + ", line " + std::to_string (i)), c.minRows) << c.what;

        // Only a vertical bar, and the newest line's end scrolled into sight.
        bool verticalShown = false;
        for (auto* bar : scrollBarsOf (log))
        {
            EXPECT_FALSE (bar->isVisible() && ! bar->isVertical()) << c.what << ": a horizontal scroll bar is shown";
            verticalShown = verticalShown || (bar->isVisible() && bar->isVertical());
        }
        EXPECT_TRUE (verticalShown) << c.what;

        const auto end = log.getCharacterBounds (19, c.line.length());
        EXPECT_GE (end.getY(), 0.0f) << c.what;
        EXPECT_LE (end.getBottom(), (float) log.getHeight()) << c.what;
        EXPECT_EQ (log.getText(), juce::String::repeatedString (c.line + "\n", 20)) << c.what;
    }
}

TEST_F (MonitorFixture, MouseSelectsAcrossWrappedRows)
{
    mc.addMessageToList (longSysex (96), false);
    mc.addMessageToList (longSysex (96), false);
    auto& log = mc.messageLog;
    const auto line = log.getLine (0);
    ASSERT_GE (checkWrapped (log, 0, "first line"), 2);

    // A column well into the second row of a line.
    int secondRowColumn = 0;
    while (log.getCharacterBounds (0, secondRowColumn).getY() == log.getCharacterBounds (0, 0).getY())
        ++secondRowColumn;
    secondRowColumn += 10;

    struct Case
    {
        const char* what;
        int fromLine, fromColumn, toLine, toColumn;
        juce::String expected;
        float toY = 0.0f; // when set, the drag ends at this height instead
    };

    const Case cases[] = {
        { "down across a wrap within a line", 0, 5, 0, secondRowColumn, line.substring (5, secondRowColumn) },
        { "up across a wrap within a line", 0, secondRowColumn, 0, 5, line.substring (5, secondRowColumn) },
        { "from a second row into the next line", 0, secondRowColumn, 1, secondRowColumn,
          line.substring (secondRowColumn) + "\n" + log.getLine (1).substring (0, secondRowColumn) },
        // More rows below than an int counts: the point is still on the log's last row.
        { "far below the end of the log", 0, 5, 1, log.getLine (1).length(), line.substring (5) + "\n" + log.getLine (1), 1.0e12f },
    };

    for (auto& c : cases)
    {
        // The whole of both lines in sight, so every character's point lies inside the log.
        log.setSize (764, 400);
        mouseOnLog (log, true, pointAt (log, c.fromLine, c.fromColumn));
        auto to = pointAt (log, c.toLine, c.toColumn);
        to.y = c.toY != 0.0f ? c.toY : to.y;
        mouseOnLog (log, false, to);
        EXPECT_EQ (log.getSelectedText(), c.expected) << c.what;
    }

    mc.addMessageToList (midi ({ 0xf8 }), false);
    EXPECT_FALSE (log.hasSelection());
}

TEST_F (MonitorFixture, NewLineLeavesTheSelectionAnchorAtTheEndOfTheLog)
{
    auto& log = mc.messageLog;
    log.setSize (764, 400);

    struct Case
    {
        const char* what;
        bool shiftClick; // else the drag under way goes on
    };

    for (const auto& c : { Case { "drag under way", false }, Case { "shift-click after the line", true } })
    {
        clickClearLog();
        for (int i = 0; i < 3; ++i)
            mc.addMessageToList (midi ({ 0xf8 }), false);

        mouseOnLog (log, true, pointAt (log, 0, 5));
        mouseOnLog (log, false, pointAt (log, 1, 10));
        mc.addMessageToList (midi ({ 0x90, 0x3c, 0x64 }), false);
        mouseOnLog (log, c.shiftClick, pointAt (log, 1, 3), c.shiftClick);

        EXPECT_EQ (log.getSelectedText(), log.getLine (1).substring (3) + "\n" + log.getLine (2) + "\n" + log.getLine (3)) << c.what;
    }
}

TEST_F (MonitorFixture, ResizeWrapsAgainAndKeepsTheTopLine)
{
    for (int i = 0; i < 40; ++i)
        mc.addMessageToList (longSysex (96), false);

    auto& log = mc.messageLog;
    const auto rowsAt = [&log] (int line)
    {
        const auto first = log.getCharacterBounds (line, 0);
        return juce::roundToInt ((log.getCharacterBounds (line, log.getLine (line).length() - 1).getY() - first.getY()) / first.getHeight()) + 1;
    };

    const int wideRows = rowsAt (10);
    juce::ScrollBar* vertical = nullptr;
    for (auto* bar : scrollBarsOf (log))
        if (bar->isVertical())
            vertical = bar;
    ASSERT_NE (vertical, nullptr);

    // Scrolled back so that line 10 starts at the very top, as a user reading older lines would.
    vertical->setCurrentRangeStart (log.getCharacterBounds (10, 0).getY() + vertical->getCurrentRangeStart(),
                                    juce::sendNotificationSync);
    ASSERT_EQ (log.getFirstVisibleLine(), 10);

    log.setSize (log.getWidth() / 2, log.getHeight());

    EXPECT_GT (rowsAt (10), wideRows);
    checkWrapped (log, 10, "after narrowing");
    EXPECT_EQ (log.getFirstVisibleLine(), 10);
    EXPECT_NEAR (log.getCharacterBounds (10, 0).getY(), 0.0f, 0.5f);

    // A log that follows its newest line keeps following it.
    mc.addMessageToList (longSysex (96), false);
    log.setSize (log.getWidth() * 2, log.getHeight());
    const auto end = log.getCharacterBounds (40, log.getLine (40).length());
    EXPECT_LE (end.getBottom(), (float) log.getHeight());
    EXPECT_GE (end.getY(), 0.0f);
}
