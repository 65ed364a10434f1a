#include "app/MainComponent.h"

namespace
{
bool isValidIndex (const juce::ReferenceCountedArray<MidiDeviceListEntry>& list, int index)
{
    return juce::isPositiveAndBelow (index, list.size());
}
} // namespace

void MainComponent::createDeviceList (bool isInput)
{
    const auto devices = isInput ? midiService.getAvailableInputs() : midiService.getAvailableOutputs();
    auto& list = isInput ? midiInputs : midiOutputs;

    // Every old port is closed, and its entry gone, before the new entries exist.
    for (int i = list.size(); --i >= 0;)
    {
        closeDevice (isInput, i);
        list.remove (i);
    }

    for (const auto& info : devices)
        list.add (new MidiDeviceListEntry (info));

    for (int i = 0; i < list.size(); ++i)
        openDevice (isInput, i);
}

void MainComponent::openDevice (bool isInput, int index)
{
    auto& list = isInput ? midiInputs : midiOutputs;

    if (! isValidIndex (list, index))
        return;

    auto& entry = *list.getUnchecked (index);

    // A port that does not open keeps an empty pointer; nothing is shown or retried.
    if (isInput)
    {
        if (entry.inputDevice != nullptr)
            return;

        entry.inputDevice = midiService.openInput (entry.deviceInfo.identifier, *this);

        if (entry.inputDevice != nullptr)
            entry.inputDevice->start();
    }
    else
    {
        if (entry.outputDevice != nullptr)
            return;

        entry.outputDevice = midiService.openOutput (entry.deviceInfo.identifier);
    }
}

void MainComponent::closeDevice (bool isInput, int index)
{
    auto& list = isInput ? midiInputs : midiOutputs;

    if (! isValidIndex (list, index))
        return;

    auto& entry = *list.getUnchecked (index);

    if (isInput)
    {
        if (entry.inputDevice == nullptr)
            return;

        entry.inputDevice->stop();
        entry.inputDevice.reset();
    }
    else
    {
        entry.outputDevice.reset();
    }
}

void MainComponent::openDevice (int item)
{
    if (! juce::isPositiveAndBelow (item, discoveryItem.devices.size()))
        return;

    const auto& device = *discoveryItem.devices.getUnchecked (item);
    openDevice (true, device.inputIndex);
    openDevice (false, device.outputIndex);
}

void MainComponent::closeDevice (int item)
{
    if (! juce::isPositiveAndBelow (item, discoveryItem.devices.size()))
        return;

    const auto& device = *discoveryItem.devices.getUnchecked (item);
    closeDevice (true, device.inputIndex);
    closeDevice (false, device.outputIndex);
}

void MainComponent::sendToOutputs (const juce::MidiMessage& message)
{
    for (auto* entry : midiOutputs)
        if (entry->outputDevice != nullptr)
            entry->outputDevice->sendMessageNow (message);
}

// Called on the MIDI input thread: copies the message and posts it to the message thread,
// nothing else.
void MainComponent::handleIncomingMidiMessage (MidiPortInput* source, const juce::MidiMessage& message)
{
    postMessage (new MidiCallbackMessage (source, message));
}
