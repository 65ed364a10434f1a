#include "app/MessageLogView.h"

struct MessageLogView::Impl
{
    juce::StringArray lines;
};

MessageLogView::MessageLogView() : impl (std::make_unique<Impl>()) {}
MessageLogView::~MessageLogView() = default;
void MessageLogView::appendLine (const juce::String& line) { impl->lines.add (line); }
void MessageLogView::clear() { impl->lines.clear(); }
int MessageLogView::getNumLines() const { return impl->lines.size(); }
juce::String MessageLogView::getLine (int index) const { return impl->lines[index]; }
juce::String MessageLogView::getText() const { return impl->lines.joinIntoString ("\n"); }
void MessageLogView::resized() {}
