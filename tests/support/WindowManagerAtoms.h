#pragma once

namespace testing_support
{
// A bare X server (Xvfb without a window manager) has none of the window-manager atoms, and JUCE
// only looks them up if they exist: a top-level window or alert box would then ask the server
// about atom 0 and be killed with BadAtom. This creates them, as a window manager would, and
// keeps the connection open so the server does not reset and drop them. Does nothing without a
// display.
void internWindowManagerAtoms();
} // namespace testing_support
