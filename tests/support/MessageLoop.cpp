#include "support/MessageLoop.h"

namespace testing_support
{
void runMessageLoopFor (int ms)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (ms);
}

bool runMessageLoopUntil (const std::function<bool()>& done, int timeoutMs)
{
    const auto end = juce::Time::getMillisecondCounterHiRes() + timeoutMs;

    while (! done())
    {
        if (juce::Time::getMillisecondCounterHiRes() >= end)
            return done();

        juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
    }

    return true;
}
} // namespace testing_support
