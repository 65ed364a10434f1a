#include "protocol/ProtocolCodes.h"

namespace zun
{
bool IsMessageClassCode (uint8_t) { return false; }
bool IsDataClassCode (uint8_t) { return false; }
const char* GetMessageClassName (uint8_t) { return "MC? "; }
const char* GetDataClassName (uint8_t) { return "DC?"; }
const char* GetAckErrorName (uint8_t) { return "???"; }
} // namespace zun
