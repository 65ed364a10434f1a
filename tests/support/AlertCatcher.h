#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include <functional>
#include <vector>

namespace testing_support
{
// While it exists, finds every modal alert box that opens, records its title, message and
// button texts, and dismisses it (as a user clicking its one button would), at once or after it
// has been open for `holdOpenMs`.
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

    explicit AlertCatcher (int holdOpenMs = 0);
    ~AlertCatcher() override;

    std::vector<Alert> alerts;
    // The most alert boxes seen open at one time.
    int mostOpenAtOnce = 0;
    // Called when a box is first seen open, and right before it is dismissed.
    std::function<void()> whenOpened, beforeDismissing;

private:
    void timerCallback() override;

    struct Seen
    {
        juce::Component::SafePointer<juce::AlertWindow> box;
        double openedAt;
    };

    int holdOpenMs;
    std::vector<Seen> open;
};
} // namespace testing_support
