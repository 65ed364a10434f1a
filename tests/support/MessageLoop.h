#pragma once

#include <functional>
#include <juce_events/juce_events.h>

namespace testing_support
{
// Runs the real message loop for `ms` milliseconds.
void runMessageLoopFor (int ms);

// Runs the message loop until `done` holds or `timeoutMs` pass; returns whether it holds.
bool runMessageLoopUntil (const std::function<bool()>& done, int timeoutMs = 5000);
} // namespace testing_support
