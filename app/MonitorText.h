#pragma once

#include "protocol/DeviceContainer.h"

#include <juce_audio_basics/juce_audio_basics.h>

// The MIDI monitor's text: the one place that turns a message into its line. Pure functions;
// the monitor view only appends what they make.
namespace monitor_text
{
// "hh:mm:ss.mmm" from a time stamp in seconds of the high-resolution clock; the hours count
// modulo one day.
juce::String formatTime (double seconds);

// The hexadecimal dump of `size` bytes: two lowercase digits a byte, one blank between bytes.
juce::String hexDump (const uint8_t* bytes, int size);

// What the line says about the message: the class names and dump of a frame of the protocol
// (as `container` checks it right now), or the decoding of any other MIDI message. Reads no
// byte outside the message.
juce::String describe (const juce::MidiMessage& message, const zun::DeviceContainer& container);

// A whole monitor line, line end "\r\n" included.
juce::String makeLine (int number, double timeStamp, bool sent, const juce::String& description);
} // namespace monitor_text
