#include "support/WindowManagerAtoms.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

// The application tests run on the thread that owns JUCE's message manager, so they can run the
// real message loop, open windows and alert boxes, and drive real widgets.
int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    testing_support::installApplicationXErrorHandlers();
    testing_support::internWindowManagerAtoms();
    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
