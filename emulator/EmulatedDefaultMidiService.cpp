#include "emulator/EmulatedInterface.h"

namespace
{
// Two emulated interfaces of the same model, each behind a port pair of its own. The interfaces
// are declared before the service so that the service, which calls them, goes first.
struct EmulatedSetup
{
    EmulatedSetup()
    {
        first->attach (service, "Emulated MX-10 A1B2C3");
        second->attach (service, "Emulated MX-6 D4E5F6");
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
