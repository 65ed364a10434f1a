#pragma once

#include <juce_gui_extra/juce_gui_extra.h>

// The MIDI monitor's text: read-only, scrollable, 12-point, lines appended at the end. Appending
// costs the same however long the log has grown.
class MessageLogView : public juce::Component
{
public:
    MessageLogView();
    ~MessageLogView() override;

    // Appends one line (without its line end) at the end; a selection is dropped, never replaced.
    void appendLine (const juce::String& line);

    // Removes every line.
    void clear();

    int getNumLines() const;
    juce::String getLine (int index) const;
    juce::String getText() const;

    void resized() override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};
