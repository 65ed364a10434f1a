#include "protocol/SysexMessage.h"

namespace zun
{
namespace Frame
{
uint32_t ReadGroups (const uint8_t*, int) { return 0; }
int PayloadLength (const uint8_t*) { return 0; }
uint32_t TransactionId (const uint8_t*) { return 0; }
} // namespace Frame

SysexMessage::SysexMessage() {}

juce::MidiMessage SysexMessage::CreateMessage (unsigned char*, unsigned short) { return {}; }
} // namespace zun
