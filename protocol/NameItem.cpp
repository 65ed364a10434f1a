#include "protocol/NameItem.h"

namespace zun
{

bool ReadNameItem (const uint8_t* frame, int itemPosition, int limit, juce::String& name)
{
    // The length byte itself must lie inside [itemPosition, limit).
    if (frame == nullptr || itemPosition < 0 || itemPosition >= limit)
        return false;

    const int itemLength = frame[itemPosition];

    // Written as a difference so that no sum can overflow.
    if (itemLength < 2 || itemLength > limit - itemPosition)
        return false;

    // One character per byte: 0x00 cannot be held by a string and is dropped; 0x01-0x7F are ASCII
    // and 0x80-0xFF are taken as Latin-1, so every byte yields a valid code point.
    juce::juce_wchar text[256];
    int count = 0;

    for (int i = itemPosition + 2; i < itemPosition + itemLength; ++i)
        if (frame[i] != 0)
            text[count++] = static_cast<juce::juce_wchar> (frame[i]);

    name = juce::String (juce::CharPointer_UTF32 (text), static_cast<size_t> (count));
    return true;
}

} // namespace zun
