#!/usr/bin/env bash
# Starts each application binary, finds its window and checks what a user sees first: the title
# "Tessaline", the 1032 x 528 content centred on the screen, a window that can be resized; then
# closes it as a user would (the window manager's close request, WM_DELETE_WINDOW) and expects the
# program to end with exit status 0.
#   window_test.sh <Tessaline binary> <TessalineEmulated binary>
# Runs on the display in $DISPLAY, or starts its own virtual X server when there is none.
set -euo pipefail

if [ $# -lt 2 ]; then
    echo "usage: $0 <Tessaline binary> <TessalineEmulated binary>" >&2
    exit 2
fi

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

content_width=1032
content_height=528
# Without a window manager the window has no frame; with one, the frame may shift the content.
centre_tolerance=32

fail()
{
    echo "FAIL: $*" >&2
    exit 1
}

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

display = x11.XOpenDisplay(None)
if not display:
    sys.exit("cannot open the display")
'

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
while True:
    time.sleep(60)
'
}

# Sends the window the close request that a window manager sends when the user clicks the close
# button of the title bar: a WM_PROTOCOLS client message carrying WM_DELETE_WINDOW.
send_delete_window()
{
    python3 -c "$x11_prelude"'
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

check_binary()
{
    local binary=$1
    local label
    label=$(basename "$binary")

    [ -x "$binary" ] || fail "$label: no executable at $binary"

    "$binary" &
    local pid=$!

    local window=""
    for _ in $(seq 100); do
        window=$(xdotool search --onlyvisible --pid "$pid" --name '^Tessaline$' 2>/dev/null | head -1 || true)
        [ -n "$window" ] && break
        kill -0 "$pid" 2>/dev/null || fail "$label: ended before showing its window"
        sleep 0.1
    done
    [ -n "$window" ] || { kill "$pid"; fail "$label: no visible window titled Tessaline"; }

    local title
    title=$(xdotool getwindowname "$window")
    [ "$title" = "Tessaline" ] || { kill "$pid"; fail "$label: window title '$title'"; }

    local x y w h
    read -r x y w h < <(window_geometry "$window")
    [ "$w" -eq "$content_width" ] && [ "$h" -eq "$content_height" ] \
        || { kill "$pid"; fail "$label: window is ${w}x${h}, expected ${content_width}x${content_height}"; }

    local screen_w screen_h
    read -r _ _ screen_w screen_h < <(window_geometry root)
    local dx=$(( x - (screen_w - w) / 2 ))
    local dy=$(( y - (screen_h - h) / 2 ))
    [ "${dx#-}" -le "$centre_tolerance" ] && [ "${dy#-}" -le "$centre_tolerance" ] \
        || { kill "$pid"; fail "$label: window at $x,$y is not centred on the ${screen_w}x${screen_h} screen"; }

    # A window that may not be resized advertises a maximum size equal to its minimum size; this
    # one advertises none, and a new size sticks.
    if xprop -id "$window" WM_NORMAL_HINTS | grep -q "program specified maximum size"; then
        kill "$pid"
        fail "$label: the window advertises a fixed maximum size"
    fi

    local size
    for size in "900 600" "1200 700"; do
        xdotool windowsize "$window" ${size}
        sleep 0.5
        read -r _ _ w h < <(window_geometry "$window")
        [ "$w $h" = "$size" ] || { kill "$pid"; fail "$label: resized to '$size' but the window is ${w}x${h}"; }
    done

    send_delete_window "$window"

    local status=""
    for _ in $(seq 100); do
        if ! kill -0 "$pid" 2>/dev/null; then
            status=0
            wait "$pid" || status=$?
            break
        fi
        sleep 0.1
    done
    [ -n "$status" ] || { kill "$pid"; fail "$label: still running 10 s after the close request"; }
    [ "$status" -eq 0 ] || fail "$label: exit status $status after the close request"

    echo "ok: $label"
}

hold_window_manager_atoms &
atoms_holder=$!
trap 'kill "$atoms_holder" 2>/dev/null || true' EXIT
sleep 0.5

check_binary "$1"
check_binary "$2"
