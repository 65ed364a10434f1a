# Helpers for the scripts that drive the application's real window on an X server without a
# window manager. Source it: . "$(dirname "$0")/lib/x11.sh"

# Every call of an X tool is bounded: a tool can wait for ever on a window that has just gone
# (`import -window` does), and a script that hangs says nothing until the test's time-out ends it.
# These wrappers give each call of the tools the scripts use x_tool_seconds at most.
x_tool_seconds=20
xdotool() { timeout -k 2 "$x_tool_seconds" xdotool "$@"; }
xwininfo() { timeout -k 2 "$x_tool_seconds" xwininfo "$@"; }
xprop() { timeout -k 2 "$x_tool_seconds" xprop "$@"; }
import() { timeout -k 2 "$x_tool_seconds" import "$@"; }

# The X client library through ctypes: python3 alone, no extra module.
x11_prelude='
import ctypes, ctypes.util, sys, time

x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XFlush.argtypes = [ctypes.c_void_p]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

# A server that has just lost its last client resets and refuses connections for a moment.
display = None
for attempt in range(100):
    display = x11.XOpenDisplay(None)
    if display:
        break
    time.sleep(0.1)
if not display:
    sys.exit("cannot open the display")
'

# Where hold_window_manager_atoms tells that the atoms exist.
window_manager_atoms_ready=$(mktemp -u "${TMPDIR:-/tmp}/window-manager-atoms.XXXXXX")

# A bare X server without a window manager has no WM_PROTOCOLS and WM_DELETE_WINDOW atoms, and an
# application only takes part in the close protocol if they exist when it starts. This keeps a
# connection open that creates them, as a window manager would (it also keeps the server from
# resetting between clients). Runs until killed.
hold_window_manager_atoms()
{
    exec python3 -c "$x11_prelude"'
x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
x11.XSync(display, 0)
open(sys.argv[1], "w").close()
while True:
    time.sleep(60)
' "$window_manager_atoms_ready"
}

# Waits until hold_window_manager_atoms has created the atoms, so that an application started
# afterwards sees them; returns 1 after 20 s without them. (Starting python3 can take well over
# half a second on a loaded machine.) Asks the holder rather than the server: a connection that
# closes before the holder's opens would make the server reset.
wait_for_window_manager_atoms()
{
    for _ in $(seq 200); do
        if [ -e "$window_manager_atoms_ready" ]; then
            rm -f "$window_manager_atoms_ready"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# Sends the window the close request that a window manager sends when the user clicks the close
# button of the title bar: a WM_PROTOCOLS client message carrying WM_DELETE_WINDOW.
send_delete_window()
{
    timeout -k 2 "$x_tool_seconds" python3 -c "$x11_prelude"'
class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

class Event(ctypes.Union):
    _fields_ = [("client", ClientMessage), ("pad", ctypes.c_long * 24)]

x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.POINTER(Event)]

window = int(sys.argv[1])
event = Event()
event.client.type = 33  # ClientMessage
event.client.window = window
event.client.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
event.client.format = 32
event.client.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
event.client.data[1] = 0  # CurrentTime
if not x11.XSendEvent(display, window, 0, 0, ctypes.byref(event)):
    sys.exit("XSendEvent failed")
x11.XSync(display, 0)
x11.XCloseDisplay(display)
' "$1"
}

# Prints "x y width height" of a window, in root coordinates.
window_geometry()
{
    if [ "$1" = root ]; then set -- -root; else set -- -id "$1"; fi
    xwininfo "$@" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
                             /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF } END { print x, y, w, h }'
}

# Waits until the process `pid` shows a visible window titled `title` of `width` x `height` whose
# place and size have held over four looks 0.1 s apart, and sets settled_window to its ID. At
# start-up the framework maps a short-lived window of another size first and replaces it when it
# switches to the native title bar: a window taken at first sight may be gone a moment later.
# Returns 1 after `seconds`, or as soon as the process has ended; seen_windows then tells what the
# last look found ("ID x y width height" per visible window of that title).
wait_for_settled_window()
{
    local pid=$1 title=$2 width=$3 height=$4 seconds=$5
    local end=$(( SECONDS + seconds )) last="" held=0 id geometry found
    settled_window=""
    seen_windows=""
    while [ "$SECONDS" -lt "$end" ] && kill -0 "$pid" 2>/dev/null; do
        found=""
        seen_windows=""
        for id in $(xdotool search --onlyvisible --pid "$pid" --name "^$title\$" 2>/dev/null || true); do
            geometry=$(window_geometry "$id" 2>/dev/null || true)
            seen_windows="${seen_windows:+$seen_windows, }$id $geometry"
            if [[ $geometry =~ ^-?[0-9]+\ -?[0-9]+\ $width\ $height$ ]]; then
                found="$id $geometry"
            fi
        done
        if [ -n "$found" ] && [ "$found" = "$last" ]; then
            held=$(( held + 1 ))
            if [ "$held" -ge 3 ]; then
                settled_window=${found%% *}
                return 0
            fi
        else
            held=0
        fi
        last=$found
        sleep 0.1
    done
    return 1
}
