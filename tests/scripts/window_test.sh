#!/usr/bin/env bash
# Starts each application binary, finds its window and checks what a user sees first: the title
# "Tessaline", the 1032 x 528 content centred on the screen, a window that can be resized; then
# closes it as a user would (the window manager's close request, WM_DELETE_WINDOW) and expects the
# program to end with exit status 0.
#   window_test.sh <Tessaline binary> <TessalineEmulated binary>
# Runs on the display in $DISPLAY, or starts its own virtual X server when there is none.
set -euo pipefail

. "$(dirname "$0")/lib/prelude.sh"

content_width=1032
content_height=528
# Without a window manager the window has no frame; with one, the frame may shift the content.
centre_tolerance=32

fail()
{
    echo "FAIL: $*" >&2
    exit 1
}

. "$(dirname "$0")/lib/x11.sh"

check_binary()
{
    local binary=$1
    local label
    label=$(basename "$binary")

    [ -x "$binary" ] || fail "$label: no executable at $binary"

    "$binary" &
    local pid=$!

    # The window whose place and size have held (start-up may show a short-lived one first).
    if ! wait_for_settled_window "$pid" Tessaline "$content_width" "$content_height" 20; then
        kill -0 "$pid" 2>/dev/null || fail "$label: ended before showing its window"
        kill "$pid" 2>/dev/null || true
        fail "$label: no visible ${content_width}x${content_height} window titled Tessaline held its place" \
             "within 20 s (last seen: ${seen_windows:-none})"
    fi
    local window=$settled_window

    local title
    title=$(xdotool getwindowname "$window")
    [ "$title" = "Tessaline" ] || { kill "$pid"; fail "$label: window title '$title'"; }

    local x y w h
    read -r x y w h < <(window_geometry "$window")

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
wait_for_window_manager_atoms || fail "the window-manager atoms were not created within 20 s"

check_binary "$1"
check_binary "$2"
