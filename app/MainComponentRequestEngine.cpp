#include "app/MainComponent.h"

#include <algorithm>

namespace
{
bool awaitsAcknowledgement (uint8_t state)
{
    return state == AwaitingLoadPresetAck || state == AwaitingSavePresetAck || state == AwaitingChangeAck;
}
} // namespace

// ---- The send step ------------------------------------------------------------------------------
// Every request after the discovery broadcast goes out here. The caller has stopped the reply
// time-out, written requestState where it changes and patched the template.

void MainComponent::sendRequest (unsigned char* payload, unsigned short length)
{
    sendFrame (deviceContainer.sysexMessage.CreateMessage (payload, length));
}

void MainComponent::sendFrame (juce::MidiMessage frame)
{
    frame.setTimeStamp (juce::Time::getMillisecondCounterHiRes() * 0.001);
    addMessageToList (frame, true);
    sendToOutputs (frame);
    startTimer (replyTimeoutTimer, replyTimeoutMs);
}

// A modal warning box; returns when the user dismisses it. The framework's modal loop goes on
// delivering posted messages and timer callbacks, so while the box is open incoming messages are
// only shown in the monitor and kept, and the reply time-out is only noted: nothing is acted on
// behind the box and no second box opens over it. Once it is dismissed, what was kept is handled
// in order of arrival.
void MainComponent::showAlert (const juce::String& title, const juce::String& message)
{
    alertOpen = true;
    juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::WarningIcon, title, message, "Shucks");
    alertOpen = false;

    // A box opened while the kept events are handled leaves them to the loop that handles them.
    if (! handlingEventsKeptByAlert)
        handleEventsKeptByAlert();
}

// The messages that arrived while a box was open, in order; then the reply time-out if it fell
// due meanwhile and none of those messages was the awaited reply (an accepted reply stops the
// time-out, or starts it again for the next request). Each may open a box of its own, behind which
// newer arrivals are kept in turn.
void MainComponent::handleEventsKeptByAlert()
{
    const juce::ScopedValueSetter<bool> handling (handlingEventsKeptByAlert, true);

    for (;;)
    {
        if (! messagesKeptByAlert.empty())
        {
            const auto kept = std::move (messagesKeptByAlert.front());
            messagesKeptByAlert.pop_front();
            actOnMessage (*kept);
        }
        else if (replyTimeoutKeptByAlert)
        {
            replyTimeoutKeptByAlert = false;

            if (requestState != Idle && ! isTimerRunning (replyTimeoutTimer))
                replyTimedOut();
        }
        else
        {
            break;
        }
    }
}

// ---- Awaited acknowledgements ------------------------------------------------------------------
// Changes and preset commands may follow one another faster than the interface acknowledges them.
// Each acknowledgement is judged as the answer to the oldest command still awaiting one, so a
// refusal is never taken for another command's success, nor a load's answer for a change's.

void MainComponent::awaitAcknowledgement (uint8_t state)
{
    // A command sent while a read chain or nothing was awaited abandons what was awaited.
    if (! awaitsAcknowledgement (requestState))
        awaitedAcknowledgements.clear();

    awaitedAcknowledgements.push_back (state);
    requestState = awaitedAcknowledgements.front();
}

void MainComponent::takeOldestAcknowledgement()
{
    if (! awaitedAcknowledgements.empty())
        awaitedAcknowledgements.pop_front();

    stopTimer (replyTimeoutTimer);

    if (awaitedAcknowledgements.empty())
    {
        requestState = Idle;
    }
    else
    {
        requestState = awaitedAcknowledgements.front();
        startTimer (replyTimeoutTimer, replyTimeoutMs);
    }
}

void MainComponent::abandonAwaitedReplies()
{
    stopTimer (replyTimeoutTimer);
    awaitedAcknowledgements.clear();
    requestState = Idle;
}

bool MainComponent::loadAwaitsAcknowledgement() const
{
    const auto& awaited = awaitedAcknowledgements;

    return requestState == AwaitingLoadPresetAck
           || std::find (awaited.begin(), awaited.end(), AwaitingLoadPresetAck) != awaited.end();
}

// ---- Events ------------------------------------------------------------------------------------

void MainComponent::timerCallback (int timerId)
{
    switch (timerId)
    {
    case discoveryWindowTimer:
        discoveryWindowEnded();
        break;
    case replyTimeoutTimer:
        if (alertOpen)
        {
            stopTimer (replyTimeoutTimer);
            replyTimeoutKeptByAlert = true;
        }
        else
        {
            replyTimedOut();
        }
        break;
    default:
        break;
    }
}

// Message thread: one message posted by handleIncomingMidiMessage. It is logged before anything
// looks at it; while an alert box is open it is kept for later, otherwise acted on at once.
void MainComponent::handleMessage (const juce::Message& message)
{
    auto* incoming = dynamic_cast<const MidiCallbackMessage*> (&message);

    if (incoming == nullptr)
        return;

    addMessageToList (incoming->message, false);

    // Only frames that pass the check are kept: nothing that could change it happens while a box is
    // open, and a flood of other traffic must not pile up behind it.
    if (! alertOpen)
        actOnMessage (*incoming);
    else if (deviceContainer.IsValidMidiMessage (incoming->message))
        messagesKeptByAlert.push_back (std::make_unique<MidiCallbackMessage> (incoming->source, incoming->message));
}

// Checks the message as a frame and hands it to the handler of the reply that is awaited.
void MainComponent::actOnMessage (const MidiCallbackMessage& incoming)
{
    const auto& midi = incoming.message;

    if (! deviceContainer.IsValidMidiMessage (midi))
        return;

    switch (requestState)
    {
    case Discovering:
        handleDiscoveryReply (incoming);
        break;

    case ReadingProductNames:
        handleProductNameReply (midi);
        break;

    case AwaitingMidiInfo:
    case AwaitingDeviceInfo:
    case AwaitingDeviceFeature:
    case AwaitingPresetNames:
    case AwaitingPortInfo:
    case AwaitingCCProcessorInfo:
        handleSettingsReply (midi);
        break;

    case AwaitingLoadPresetAck:
    case AwaitingSavePresetAck:
    case AwaitingChangeAck:
        handleAcknowledgement (midi);
        break;

    default: // Idle, or no state the system writes: the message was only logged
        break;
    }
}

void MainComponent::buttonClicked (juce::Button* button)
{
    if (button == &clearLogButton)
        clearLog();
    else if (button == &searchButton)
        searchClicked();
    else if (button == &getSettingsButton)
        getSettingsClicked();
    else if (button == &loadPresetButton)
        loadPresetClicked();
    else if (button == &savePresetButton)
        savePresetClicked();
    else
        appButtonClicked (button);
}

// No reply within the time-out: tell the user. A read chain keeps its awaited reply, so a late
// reply that passes the state's test still continues it. An acknowledgement that does not come is
// not guessed at: the wait for it and for every command sent after it is abandoned, since a late
// answer could no longer be told from the answer to a later command. Whether a preset load took
// place is then unknown, so the model no longer holds a current preset: "Save Preset" cannot
// store into a preset the interface may have left.
void MainComponent::replyTimedOut()
{
    stopTimer (replyTimeoutTimer);

    if (awaitsAcknowledgement (requestState))
    {
        if (loadAwaitsAcknowledgement())
            deviceContainer.block.currentPreset = 0;

        abandonAwaitedReplies();
    }

    showAlert ("Time Out Error", "Something went wrong, was expecting a message from interface but did not receive one.");
}
