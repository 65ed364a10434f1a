#pragma once

// An open MIDI input of the MIDI layer. Its address is the identity of a message's source.
class MidiPortInput
{
public:
    virtual ~MidiPortInput() = default;

    // Starts delivering messages to the callback it was opened with.
    virtual void start() = 0;

    // Stops delivery; no callback runs for this input after stop() returns.
    virtual void stop() = 0;
};
