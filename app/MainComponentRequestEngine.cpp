#include "app/MainComponent.h"

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

// A modal warning box; returns when the user dismisses it. Messages arriving meanwhile wait in
// the message queue.
void MainComponent::showAlert (const juce::String& title, const juce::String& message)
{
    juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::WarningIcon, title, message, "Shucks");
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
        replyTimedOut();
        break;
    default:
        break;
    }
}

// Message thread: one message posted by handleIncomingMidiMessage. It is logged before anything
// looks at it, then checked as a frame and handed to the handler of the reply that is awaited.
void MainComponent::handleMessage (const juce::Message& message)
{
    auto* incoming = dynamic_cast<const MidiCallbackMessage*> (&message);

    if (incoming == nullptr)
        return;

    const auto& midi = incoming->message;
    addMessageToList (midi, false);

    if (! deviceContainer.IsValidMidiMessage (midi))
        return;

    switch (requestState)
    {
    case Discovering:
        handleDiscoveryReply (*incoming);
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

// No reply within the time-out: tell the user and leave the awaited reply as it was, so a late
// reply that passes the state's test still continues the chain.
void MainComponent::replyTimedOut()
{
    stopTimer (replyTimeoutTimer);
    showAlert ("Time Out Error", "Something went wrong, was expecting a message from interface but did not receive one.");
}
