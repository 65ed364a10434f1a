#include "emulator/EmulatedInterface.h"

struct EmulatedInterface::Impl
{
};

const char* EmulatedInterface::getRequestKindName (RequestKind) { return "Unknown"; }

EmulatedInterface::EmulatedInterface (uint16_t pid, uint32_t serial, const juce::String& name)
    : productId (pid), serialNumber (serial), productName (name), impl (std::make_unique<Impl>())
{
}

EmulatedInterface::~EmulatedInterface() = default;
int EmulatedInterface::attach (VirtualMidiService& service, const juce::String& portName) { return service.addPortPair (portName, this); }
std::unique_ptr<EmulatedInterface> EmulatedInterface::makeTypical (uint16_t pid, uint32_t serial, const juce::String& name, int, int)
{
    return std::make_unique<EmulatedInterface> (pid, serial, name);
}
void EmulatedInterface::setSilentOn (RequestKind, bool) {}
void EmulatedInterface::setReplyDelayMs (double) {}
void EmulatedInterface::setNegativeAcknowledgement (uint8_t) {}
void EmulatedInterface::setReplySessionOverride (bool, uint32_t) {}
void EmulatedInterface::setCorruptChecksum (bool) {}
void EmulatedInterface::setReportedCounts (int, int, int) {}
void EmulatedInterface::sendForeignTraffic() {}
void EmulatedInterface::sendRaw (const juce::MidiMessage&, double) {}
void EmulatedInterface::setLogging (bool) {}
std::vector<EmulatedInterface::LogEntry> EmulatedInterface::getLog() const { return {}; }
std::vector<EmulatedInterface::LogEntry> EmulatedInterface::getReceivedRequests() const { return {}; }
juce::StringArray EmulatedInterface::getLogLines() const { return {}; }
void EmulatedInterface::clearLog() {}
void EmulatedInterface::receivedFromApplication (int, const juce::MidiMessage&) {}
