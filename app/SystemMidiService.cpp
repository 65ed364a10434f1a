#include "app/SystemMidiService.h"

namespace
{
// An open juce::MidiInput. It is its own juce::MidiInputCallback and forwards every complete
// message, with its own address as the source, to the callback it was opened with.
class SystemMidiInput : public MidiPortInput,
                        private juce::MidiInputCallback
{
public:
    explicit SystemMidiInput (MidiPortInputCallback& callbackToUse)
        : callback (callbackToUse) {}

    ~SystemMidiInput() override
    {
        // Stops and closes the port before the forwarding target can go.
        device.reset();
    }

    bool open (const juce::String& identifier)
    {
        device = juce::MidiInput::openDevice (identifier, this);
        return device != nullptr;
    }

    void start() override { device->start(); }
    void stop() override { device->stop(); }

private:
    // Called on the MIDI input thread: forwards, nothing else.
    void handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage& message) override
    {
        callback.handleIncomingMidiMessage (this, message);
    }

    MidiPortInputCallback& callback;
    std::unique_ptr<juce::MidiInput> device;
};

class SystemMidiOutput : public MidiPortOutput
{
public:
    explicit SystemMidiOutput (std::unique_ptr<juce::MidiOutput> openedDevice)
        : device (std::move (openedDevice)) {}

    void sendMessageNow (const juce::MidiMessage& message) override { device->sendMessageNow (message); }

private:
    std::unique_ptr<juce::MidiOutput> device;
};
} // namespace

juce::Array<juce::MidiDeviceInfo> SystemMidiService::getAvailableInputs()
{
    return juce::MidiInput::getAvailableDevices();
}

juce::Array<juce::MidiDeviceInfo> SystemMidiService::getAvailableOutputs()
{
    return juce::MidiOutput::getAvailableDevices();
}

std::unique_ptr<MidiPortInput> SystemMidiService::openInput (const juce::String& identifier, MidiPortInputCallback& callback)
{
    auto input = std::make_unique<SystemMidiInput> (callback);

    if (! input->open (identifier))
        return {};

    return input;
}

std::unique_ptr<MidiPortOutput> SystemMidiService::openOutput (const juce::String& identifier)
{
    auto device = juce::MidiOutput::openDevice (identifier);

    if (device == nullptr)
        return {};

    return std::make_unique<SystemMidiOutput> (std::move (device));
}
