#include "support/AlertCatcher.h"

#include <algorithm>

namespace testing_support
{
AlertCatcher::AlertCatcher (int holdOpen) : holdOpenMs (holdOpen)
{
    startTimer (10);
}

AlertCatcher::~AlertCatcher()
{
    stopTimer();
}

void AlertCatcher::timerCallback()
{
    auto& modal = *juce::ModalComponentManager::getInstance();
    const auto now = juce::Time::getMillisecondCounterHiRes();

    open.erase (std::remove_if (open.begin(), open.end(), [] (const Seen& s) { return s.box == nullptr || ! s.box->isCurrentlyModal (false); }),
                open.end());

    for (int i = modal.getNumModalComponents(); --i >= 0;)
    {
        auto* alert = dynamic_cast<juce::AlertWindow*> (modal.getModalComponent (i));

        if (alert == nullptr
            || std::any_of (open.begin(), open.end(), [alert] (const Seen& s) { return s.box == alert; }))
            continue;

        Alert seen;
        seen.title = alert->getName();
        seen.message = alert->getDescription().fromFirstOccurrenceOf (seen.title + ". ", false, false);

        for (auto* child : alert->getChildren())
            if (auto* button = dynamic_cast<juce::TextButton*> (child))
                seen.buttons.add (button->getButtonText());

        seen.warningIcon = alert->getAlertType() == juce::MessageBoxIconType::WarningIcon;
        alerts.push_back (seen);
        open.push_back ({ alert, now });

        if (whenOpened != nullptr)
            whenOpened();
    }

    mostOpenAtOnce = std::max (mostOpenAtOnce, (int) open.size());

    for (auto& s : open)
    {
        if (now - s.openedAt < holdOpenMs)
            continue;

        if (beforeDismissing != nullptr)
            beforeDismissing();

        if (s.box != nullptr)
            s.box->exitModalState (0);
    }
}
} // namespace testing_support
