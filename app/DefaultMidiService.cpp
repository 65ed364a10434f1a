#include "app/SystemMidiService.h"

MidiService& MidiService::getDefault()
{
    static SystemMidiService service;
    return service;
}
