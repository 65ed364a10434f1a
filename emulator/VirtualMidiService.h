#pragma once

#include "app/MidiService.h"

// An in-process MIDI service for machines without one: emulated interfaces (or tests) attach
// named input/output port pairs; what the application sends on an output reaches the attached
// device, and what the device sends reaches the application's open input on a delivery thread
// of the service's own, stamped with the high-resolution clock.
class VirtualMidiService : public MidiService
{
public:
    // The device side of a port pair.
    class Device
    {
    public:
        virtual ~Device() = default;
        // Called on the sending thread (the application's message thread) for every message the
        // application sends on the pair's output.
        virtual void receivedFromApplication (int pairIndex, const juce::MidiMessage& message) = 0;
    };

    VirtualMidiService();
    ~VirtualMidiService() override;

    // Adds an input/output pair named `name` (both ports carry the name) with `device` behind it.
    // Returns the pair's index. The device must outlive the service or be detached.
    int addPortPair (const juce::String& name, Device* device);

    // Detaches the device behind the pair: once this returns, the device is not called again and
    // what the application sends on the pair's output goes nowhere.
    void detachDevice (int pairIndex);

    // Sends `message` from the device behind the pair to the application's input of that pair,
    // after `delayMs` milliseconds, on the delivery thread. Dropped when the input is not open
    // and started when the message is due.
    void sendToApplication (int pairIndex, const juce::MidiMessage& message, double delayMs = 0.0);

    // Test hook: while set, opening the pair's input (or output) by its identifier fails, as a
    // port that the computer lists but cannot open. Ports already open stay open.
    void setOpenFailure (int pairIndex, bool fails);
    void setOpenFailure (int pairIndex, bool inputFails, bool outputFails);

    // How many of the application's inputs (outputs) of the pair are open right now; an input
    // counts as started between start() and stop().
    int getNumOpenInputs (int pairIndex) const;
    int getNumStartedInputs (int pairIndex) const;
    int getNumOpenOutputs (int pairIndex) const;

    juce::Array<juce::MidiDeviceInfo> getAvailableInputs() override;
    juce::Array<juce::MidiDeviceInfo> getAvailableOutputs() override;
    std::unique_ptr<MidiPortInput> openInput (const juce::String& identifier, MidiPortInputCallback& callback) override;
    std::unique_ptr<MidiPortOutput> openOutput (const juce::String& identifier) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};
