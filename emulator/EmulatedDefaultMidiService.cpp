#include "emulator/EmulatedInterface.h"

#include <cstdio>

namespace
{
// Writes each log line of the interface to standard output as it happens, prefixed with the
// interface's serial number, so that a script driving the emulated build can follow the traffic.
void printLogLines (EmulatedInterface& emulated)
{
    emulated.setLogging (true);
    emulated.setLogListener ([serial = juce::String::toHexString ((int) emulated.serialNumber).paddedLeft ('0', 8).toUpperCase()]
                             (const juce::String& line)
                             {
                                 std::printf ("%s %s\n", serial.toRawUTF8(), line.toRawUTF8());
                                 std::fflush (stdout);
                             });
}

// Two emulated interfaces of the same model, each behind a port pair of its own. The interfaces
// are declared before the service so that the service, which calls them, goes first.
struct EmulatedSetup
{
    EmulatedSetup()
    {
        first->attach (service, "Emulated MX-10 A1B2C3");
        second->attach (service, "Emulated MX-6 D4E5F6");
        printLogLines (*first);
        printLogLines (*second);
    }

    std::unique_ptr<EmulatedInterface> first { EmulatedInterface::makeTypical (0x0123, 0x00A1B2C3, "Emulated MX-10", 10, 4) };
    std::unique_ptr<EmulatedInterface> second { EmulatedInterface::makeTypical (0x0123, 0x00D4E5F6, "Emulated MX-6", 6, 3) };
    VirtualMidiService service;
};
} // namespace

// The emulated build's MIDI service: no MIDI hardware, two interfaces answering in-process.
MidiService& MidiService::getDefault()
{
    static EmulatedSetup setup;
    return setup.service;
}
