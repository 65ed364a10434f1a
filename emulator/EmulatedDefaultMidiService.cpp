#include "emulator/VirtualMidiService.h"

MidiService& MidiService::getDefault()
{
    static VirtualMidiService service;
    return service;
}
