#include "protocol/NameItem.h"

namespace zun
{
bool ReadNameItem (const uint8_t*, int, int, juce::String&) { return false; }
} // namespace zun
