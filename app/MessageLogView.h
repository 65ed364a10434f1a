#pragma once

#include <juce_gui_extra/juce_gui_extra.h>

// The MIDI monitor's text: read-only, 12-point monospaced, lines appended at the end and
// word-wrapped to the width of the view, with a vertical scroll bar when the rows do not fit.
// Appending costs the same however long the log has grown: the lines are kept in a list with a
// running total of their rows, and only the rows in sight are drawn. The user can select text
// with the mouse (or select all) and copy it; there is no caret and no pop-up menu. Every line is
// kept until clear().
class MessageLogView : public juce::Component
{
public:
    MessageLogView();
    ~MessageLogView() override;

    // Appends one line at the end; a line end at its end ("\r\n" or "\n") is dropped. A selection
    // is not replaced: it collapses to the end of the log, from where a drag under way or a later
    // shift-click extends. The view scrolls to the new line.
    void appendLine (const juce::String& line);

    // Removes every line.
    void clear();

    int getNumLines() const;

    // The line without its line end; empty for an index outside the log.
    juce::String getLine (int index) const;

    // The whole text as a multi-line text editor holds it: every line followed by "\n".
    juce::String getText() const;

    // The selected text (lines joined by "\n"); empty when nothing is selected.
    juce::String getSelectedText() const;
    bool hasSelection() const;

    // Selects from (line, column) to (line, column), as a drag of the mouse would.
    void setSelection (int startLine, int startColumn, int endLine, int endColumn);

    // The first line in sight at the top of the view (its first row may be above the top).
    int getFirstVisibleLine() const;

    // Where the character at (line, column) is drawn, in this view's coordinates, as the line is
    // wrapped now; a column at the end of the line gives the place just after its last character.
    juce::Rectangle<float> getCharacterBounds (int line, int column) const;

    void resized() override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MessageLogView)
};
