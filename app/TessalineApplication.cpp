#include "app/TessalineApplication.h"
#include "app/MainComponent.h"

TessalineApplication::~TessalineApplication() = default;

const juce::String TessalineApplication::getApplicationName()
{
    return "Tessaline";
}

const juce::String TessalineApplication::getApplicationVersion()
{
    return "1.0.0";
}

bool TessalineApplication::moreThanOneInstanceAllowed()
{
    // Every launch runs on its own; there is nothing to hand over.
    return true;
}

void TessalineApplication::initialise (const juce::String&)
{
    mainWindow = std::make_unique<MainWindow> (getApplicationName());
}

void TessalineApplication::shutdown()
{
    // Deletes the window, and with it the MainComponent, which closes every MIDI port.
    mainWindow = nullptr;
}

void TessalineApplication::anotherInstanceStarted (const juce::String&)
{
}

void TessalineApplication::systemRequestedQuit()
{
    juce::MessageManager::getInstance()->stopDispatchLoop();
}

//==================================================================================================
// The application's MainComponent talks to the MIDI service its executable links in. Defined here,
// next to its one user, so that programs which build MainComponent on a service of their own (the
// tests) need no default service.
MainComponent::MainComponent()
    : MainComponent (MidiService::getDefault())
{
}

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
