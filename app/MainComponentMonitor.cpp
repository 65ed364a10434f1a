#include "app/MainComponent.h"
#include "app/MonitorText.h"

// Message thread. Writes one line for the message while "Show MIDI Messages" is ticked; the
// toggle has no listener, so its state is read here at every call.
void MainComponent::addMessageToList (const juce::MidiMessage& message, bool sent)
{
    if (! showMidiMessagesToggle.getToggleState())
        return;

    const int number = logLineCount++;
    const auto description = monitor_text::describe (message, deviceContainer);

    // The view drops any selection and puts the line at the end.
    messageLog.appendLine (monitor_text::makeLine (number, message.getTimeStamp(), sent, description));
}

// "Clear Log": empties the log whatever the toggle says and restarts the numbering.
void MainComponent::clearLog()
{
    messageLog.clear();
    logLineCount = 1;
}
