#pragma once

#include <cstdint>
#include <juce_core/juce_core.h>

namespace zun
{

// Reads the text of a name item of a reply: [length][parm ID][text], where length counts the whole
// item. `itemPosition` is the frame position of the length byte; `limit` is the first frame
// position the item may not reach (the end of the payload, or a tighter bound). Returns false,
// leaving `name` alone, when the item is not wholly inside the limit or its length is below 2.
// 0x00 bytes are dropped; other bytes become one character each, 0x80-0xFF as the Latin-1
// characters U+0080-U+00FF.
bool ReadNameItem (const uint8_t* frame, int itemPosition, int limit, juce::String& name);

} // namespace zun
