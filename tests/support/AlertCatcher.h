#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include <vector>

namespace testing_support
{
// While it exists, finds every modal alert box that opens, records its title, message and
// button texts, and dismisses it (as a user clicking its one button would).
class AlertCatcher : private juce::Timer
{
public:
    struct Alert
    {
        juce::String title;
        juce::String message;
        juce::StringArray buttons;
        bool warningIcon = false;
    };

    AlertCatcher();
    ~AlertCatcher() override;

    std::vector<Alert> alerts;

private:
    void timerCallback() override;
};
} // namespace testing_support
