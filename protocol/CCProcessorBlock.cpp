#include "protocol/CCProcessorBlock.h"

namespace zun
{
CCProcessorBlock::CCProcessorBlock() {}
void CCProcessorBlock::Empty() {}
int CCProcessorBlock::BoundedPortCount() const { return 0; }
int CCProcessorBlock::BoundedPresetCount() const { return 0; }
int CCProcessorBlock::BoundedCCProcessorCount() const { return 0; }
juce::String MakeDefaultPortName (uint8_t, uint8_t, uint8_t, uint8_t) { return {}; }
} // namespace zun
