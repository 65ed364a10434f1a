#include "app/MainComponent.h"

#include <algorithm>
#include <cmath>
#include <utility>

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
// only shown in the monitor and kept, and the reply time-out and a pause falling due are only
// noted: nothing is acted on behind the box and no second box opens over it. Once it is dismissed,
// what was kept is handled in order of arrival, unless the application is quitting.
void MainComponent::showAlert (const juce::String& title, const juce::String& message)
{
    const juce::Component::SafePointer<MainComponent> alive (this);

    alertOpen = true;
    juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::WarningIcon, title, message, "Shucks");

    // Whatever ran inside the box's loop may have deleted this component.
    if (alive == nullptr)
        return;

    alertOpen = false;

    if (juce::MessageManager::getInstance()->hasStopMessageBeenSent())
    {
        messagesKeptByAlert.clear();
        replyTimeoutKeptByAlert = false;
        pauseKeptByAlert = false;
        return;
    }

    // A box opened while the kept events are handled leaves them to the loop that handles them.
    if (! handlingEventsKeptByAlert)
        handleEventsKeptByAlert();
}

// The messages that arrived while a box was open, in order; then the reply time-out if it fell
// due meanwhile and none of those messages was the awaited reply (an accepted reply stops the
// time-out, or starts it again for the next request); then a pause that fell due. Each may open a
// box of its own, behind which newer arrivals are kept in turn, and inside which this component
// may be deleted.
void MainComponent::handleEventsKeptByAlert()
{
    const juce::Component::SafePointer<MainComponent> alive (this);
    handlingEventsKeptByAlert = true;

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
        else if (pauseKeptByAlert)
        {
            pauseKeptByAlert = false;
            pauseFallingDue();
        }
        else
        {
            break;
        }

        if (alive == nullptr)
            return;
    }

    handlingEventsKeptByAlert = false;
}

// ---- Awaited acknowledgements ------------------------------------------------------------------
// Changes and preset commands may follow one another faster than the interface acknowledges them.
// Each acknowledgement is matched to its command by the transaction ID it echoes, so a refusal is
// never taken for another command's success, nor a late answer to an abandoned command for the
// answer to a later one.

void MainComponent::sendCommand (uint8_t state, unsigned char* payload, unsigned short length)
{
    stopTimer (replyTimeoutTimer);

    // A command sent while a read chain or nothing was awaited abandons what was awaited.
    if (! awaitsAcknowledgement (requestState))
        awaitedAcknowledgements.clear();

    auto frame = deviceContainer.sysexMessage.CreateMessage (payload, length);
    awaitedAcknowledgements.push_back ({ state, zun::Frame::TransactionId (frame.getRawData()) });
    requestState = awaitedAcknowledgements.front().state;

    sendFrame (std::move (frame));
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
        requestState = awaitedAcknowledgements.front().state;
        startTimer (replyTimeoutTimer, replyTimeoutMs);
    }
}

// Whether the interface switched presets is unknown once a load's acknowledgement is given up
// on, so the model then holds no current preset: "Save Preset" cannot store into a preset the
// interface may have left, and neither preset command goes out before the next read.
void MainComponent::abandonAwaitedReplies()
{
    if (loadAwaitsAcknowledgement())
        deviceContainer.block.currentPreset = 0;

    stopTimer (replyTimeoutTimer);
    awaitedAcknowledgements.clear();
    requestState = Idle;

    stopTimer (pauseTimer);
    pendingPause = Pause::none;
    pauseKeptByAlert = false;
}

bool MainComponent::loadAwaitsAcknowledgement() const
{
    const auto& awaited = awaitedAcknowledgements;

    return std::any_of (awaited.begin(), awaited.end(), [] (const AwaitedCommand& c) { return c.state == AwaitingLoadPresetAck; });
}

// ---- The interfaces' pauses --------------------------------------------------------------------
// An interface needs a moment after the discovery window and after switching presets before it is
// asked anything more. The pause runs on a timer so the window stays live meanwhile. A framework
// timer may fall due early by as long as its thread had been waiting when it was started, so the
// pause keeps its own due time and waits out any rest.

void MainComponent::startPause (Pause pause, int ms)
{
    pendingPause = pause;
    pauseDueAt = juce::Time::getMillisecondCounterHiRes() + ms;
    startTimer (pauseTimer, ms);
}

void MainComponent::pauseFallingDue()
{
    stopTimer (pauseTimer);

    const double rest = pauseDueAt - juce::Time::getMillisecondCounterHiRes();

    if (rest > 0.0)
    {
        startTimer (pauseTimer, juce::jmax (1, (int) std::ceil (rest)));
        return;
    }

    switch (std::exchange (pendingPause, Pause::none))
    {
    case Pause::beforeProductNames:
        startProductNamePass();
        break;
    case Pause::beforeReadAfterLoad:
        readPortDescriptions();
        break;
    case Pause::none:
        break;
    }
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
    case pauseTimer:
        if (alertOpen)
        {
            stopTimer (pauseTimer);
            pauseKeptByAlert = true;
        }
        else
        {
            pauseFallingDue();
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

    // During a pause no request is out: whatever arrives was listed in the monitor and is dropped.
    if (pendingPause != Pause::none)
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
// not waited for any longer: the wait for it and for every command sent after it is abandoned,
// and their late answers are then only listed in the monitor.
void MainComponent::replyTimedOut()
{
    stopTimer (replyTimeoutTimer);

    if (awaitsAcknowledgement (requestState))
        abandonAwaitedReplies();

    showAlert ("Time Out Error", "Something went wrong, was expecting a message from interface but did not receive one.");
}
