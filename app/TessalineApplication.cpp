#include "app/TessalineApplication.h"
#include "app/MainComponent.h"

TessalineApplication::~TessalineApplication() = default;
const juce::String TessalineApplication::getApplicationName() { return "Tessaline"; }
const juce::String TessalineApplication::getApplicationVersion() { return "1.0.0"; }
bool TessalineApplication::moreThanOneInstanceAllowed() { return true; }

void TessalineApplication::initialise (const juce::String&)
{
    mainWindow = std::make_unique<MainWindow> (getApplicationName());
}

void TessalineApplication::shutdown() { mainWindow = nullptr; }
void TessalineApplication::anotherInstanceStarted (const juce::String&) {}
void TessalineApplication::systemRequestedQuit() { juce::MessageManager::getInstance()->stopDispatchLoop(); }

TessalineApplication::MainWindow::MainWindow (const juce::String& name)
    : juce::DocumentWindow (name,
                            juce::Desktop::getInstance().getDefaultLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId),
                            juce::DocumentWindow::allButtons)
{
    setUsingNativeTitleBar (true);
    setContentOwned (new MainComponent(), true);
    setResizable (true, true);
    centreWithSize (getWidth(), getHeight());
    setVisible (true);
}

void TessalineApplication::MainWindow::closeButtonPressed()
{
    juce::JUCEApplication::getInstance()->systemRequestedQuit();
}
