#pragma once

namespace testing_support
{
// A bare X server (Xvfb without a window manager) has none of the window-manager atoms, and JUCE
// only looks them up if they exist: a top-level window or alert box would then ask the server
// about atom 0 and be killed with BadAtom. This creates them, as a window manager would, and
// keeps the connection open so the server does not reset and drop them. Does nothing without a
// display.
void internWindowManagerAtoms();

// Gives a program that starts JUCE with ScopedJuceInitialiser_GUI the X error handling that JUCE
// gives a program started as a JUCE application, where it installs its own handlers; otherwise
// Xlib's default handler ends the process on the first X error. Such errors come from other
// clients of the same server: with no window manager, the window that has the focus can be
// another test process's alert box, and when JUCE brings its own window to the front it asks for
// that window's tree, which fails with BadWindow if the other process has just closed its alert.
// As in the application, X errors are ignored, and a broken connection to the server stops the
// message loop (Xlib then ends the process). Call it before JUCE opens its display.
void installApplicationXErrorHandlers();
} // namespace testing_support
