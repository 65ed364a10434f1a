#include "support/AlertCatcher.h"

namespace testing_support
{
AlertCatcher::AlertCatcher()
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

    for (int i = modal.getNumModalComponents(); --i >= 0;)
    {
        auto* alert = dynamic_cast<juce::AlertWindow*> (modal.getModalComponent (i));

        if (alert == nullptr)
            continue;

        Alert seen;
        seen.title = alert->getName();
        seen.message = alert->getDescription().fromFirstOccurrenceOf (seen.title + ". ", false, false);

        for (auto* child : alert->getChildren())
            if (auto* button = dynamic_cast<juce::TextButton*> (child))
                seen.buttons.add (button->getButtonText());

        seen.warningIcon = alert->getAlertType() == juce::MessageBoxIconType::WarningIcon;
        alerts.push_back (seen);
        alert->exitModalState (0);
    }
}
} // namespace testing_support
