#include "support/WindowManagerAtoms.h"

#include <X11/Xlib.h>
#include <cstdio>
#include <juce_events/juce_events.h>

namespace testing_support
{
void internWindowManagerAtoms()
{
    static Display* display = XOpenDisplay (nullptr);

    if (display == nullptr)
        return;

    const char* names[] = { "WM_PROTOCOLS", "WM_TAKE_FOCUS", "WM_DELETE_WINDOW", "_NET_WM_PING",
                            "WM_CHANGE_STATE", "WM_STATE", "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE",
                            "_NET_WM_STATE_HIDDEN", "_NET_WM_STATE_FULLSCREEN", "_NET_FRAME_EXTENTS",
                            "_NET_WORKAREA", "_MOTIF_WM_HINTS", "_NET_WM_ALLOWED_ACTIONS",
                            "_NET_WM_WINDOW_TYPE_NORMAL", "_NET_WM_WINDOW_TYPE_COMBO" };

    for (auto* name : names)
        XInternAtom (display, name, False);

    XSync (display, False);
}

namespace
{
int ignoreXError (Display*, XErrorEvent*)
{
    return 0;
}

int stopOnBrokenConnection (Display*)
{
    std::fputs ("the connection to the X server is broken: ending\n", stderr);

    if (auto* messageManager = juce::MessageManager::getInstanceWithoutCreating())
        messageManager->stopDispatchLoop();

    return 0;
}
} // namespace

void installApplicationXErrorHandlers()
{
    XSetIOErrorHandler (stopOnBrokenConnection);
    XSetErrorHandler (ignoreXError);
}
} // namespace testing_support
