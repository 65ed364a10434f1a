#!/usr/bin/env bash
# Drives the emulated build through its real window as a user would: "Search", the first row of
# the device list, "Get Settings", a MIDI-channel toggle, "Enable" and a mode, each a real click at
# the layout's coordinates. The emulated build prints every line of its emulated interfaces' logs
# on standard output ("<serial number> recv <request> <payload bytes>", "<serial number> send ...");
# the script checks from them that the requests reached the interfaces in the right order with the
# right bytes. Leaves a screenshot of the populated window in <build dir>/artifacts, then closes
# the window and expects exit status 0.
#   e2e_emulated.sh <Tessaline binary> <TessalineEmulated binary>
# Runs on the display in $DISPLAY, or starts its own virtual X server when there is none.
set -euo pipefail

. "$(dirname "$0")/lib/prelude.sh"
. "$(dirname "$0")/lib/x11.sh"

emulated_binary=$2
artifacts_dir="$(cd "$(dirname "$emulated_binary")" && pwd)/artifacts"
screenshot="$artifacts_dir/e2e-populated.png"

work_dir=$(mktemp -d)
output="$work_dir/output.log"   # everything the emulated build prints
app_pid=""
atoms_holder=""
window=""

cleanup()
{
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$atoms_holder" ] && kill "$atoms_holder" 2>/dev/null || true
    rm -rf "$work_dir"
    rm -f "$window_manager_atoms_ready"
}
trap cleanup EXIT

fail()
{
    echo "FAIL: $*" >&2
    if [ -s "$output" ]; then
        echo "--- last lines printed by the emulated build:" >&2
        tail -n 20 "$output" | cut -c 1-160 >&2
    fi
    exit 1
}

# ---- the two emulated interfaces of the emulated build (emulator/EmulatedDefaultMidiService.cpp)
first_serial=00A1B2C3    # "Emulated MX-10": 10 ports, 4 presets; first port pair, so first row
second_serial=00D4E5F6   # "Emulated MX-6": 6 ports, 3 presets
first_port_count=10
first_preset_count=4

# ---- layout of the main component: points inside the widgets, relative to the window
window_width=1032
window_height=528
search_button="170 22"            # x 120, y 10, 100 x 24
first_device_row="60 57"          # list at x 10, y 46; outline 1, rows 22 high: row 0 is y 47..68
get_settings_button="60 200"      # x 10, y 188, 100 x 24
enable_toggle="40 230"            # x 10, y 218, 80 x 24
clicked_channel=10                # channel toggle of row 1: x 192 + 24 * 9 + 12 * (9 div 4) = 432
channel_toggle="444 290"          # y 278 for row 1, 24 x 24
mode_combo="122 290"              # row 1: x 60, y 278, 124 x 24
first_row_area="200x16+15+49"     # inside row 0 of the device list
port_combo_area="374x24+202+188"  # midiPortCombo
mode_combo_area="124x24+60+278"   # modeCombos[0]

# ---- waiting

# Polls `$@` every 0.1 s until it succeeds; fails with `what` after `seconds`.
wait_until()
{
    local seconds=$1 what=$2
    shift 2
    local tries=$(( seconds * 10 ))
    for _ in $(seq "$tries"); do
        "$@" && return 0
        kill -0 "$app_pid" 2>/dev/null || fail "the emulated build ended while waiting for $what"
        sleep 0.1
    done
    fail "no $what within $seconds s"
}

# Number of lines printed so far that match the extended regular expression.
count_lines()
{
    grep -cE "$1" "$output" || true
}

# True once at least `count` printed lines match the extended regular expression.
has_lines()
{
    [ "$(count_lines "$2")" -ge "$1" ]
}

# Fingerprint of what the window shows in the area WxH+X+Y.
area_signature()
{
    import -window "$window" -crop "$1" +repage -format '%#' info: 2>/dev/null
}

area_differs()
{
    [ "$(area_signature "$1")" != "$2" ]
}

open_windows_of_app()
{
    xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | wc -l
}

popup_is_open()
{
    [ "$(open_windows_of_app)" -ge 2 ]
}

popup_is_closed()
{
    [ "$(open_windows_of_app)" -le 1 ]
}

# ---- acting

click()
{
    xdotool mousemove --window "$window" $1 click 1
}

# The emulated interfaces answer a change with an acknowledgement ("send Ack ..."); waiting for
# the n-th one keeps each click apart from the next.
wait_for_acknowledgement()
{
    wait_until 10 "acknowledgement number $1 from the interface" has_lines "$1" "^$first_serial send Ack "
}

start_application()
{
    [ -x "$emulated_binary" ] || fail "no executable at $emulated_binary"
    "$emulated_binary" > "$output" 2>&1 &
    app_pid=$!

    # The window whose place and size have held (start-up may show a short-lived one first): the
    # clicks and screenshots that follow go to it.
    if ! wait_for_settled_window "$app_pid" Tessaline "$window_width" "$window_height" 20; then
        app_has_ended && fail "the emulated build ended before showing its window"
        fail "no visible ${window_width}x${window_height} window titled Tessaline held its place" \
             "within 20 s (last seen: ${seen_windows:-none})"
    fi
    window=$settled_window
}

search_and_select_first_row()
{
    local empty_row
    empty_row=$(area_signature "$first_row_area")
    click "$search_button"

    # The rows appear once both interfaces have answered the product-name request and the
    # application has taken the answers in.
    wait_until 15 "product-name replies from both interfaces" \
        has_lines 2 "^($first_serial|$second_serial) send RetParmVal DeviceInfo "
    wait_until 10 "first row in the device list" area_differs "$first_row_area" "$empty_row"

    local unselected_row
    unselected_row=$(area_signature "$first_row_area")
    click "$first_device_row"
    wait_until 5 "highlight of the selected first row" area_differs "$first_row_area" "$unselected_row"
}

get_settings()
{
    local empty_port_combo
    empty_port_combo=$(area_signature "$port_combo_area")
    click "$get_settings_button"

    # The read ends with the CC processors of every port, input side then output side; the
    # editor fills once the application has taken in the last reply.
    wait_until 30 "CC-processor requests for both sides of all $first_port_count ports" \
        has_lines $(( 2 * first_port_count )) "^$first_serial recv GetSettingsCCProcessorInfo "
    wait_until 10 "the port selector filled after the read" area_differs "$port_combo_area" "$empty_port_combo"
}

edit_first_row()
{
    click "$channel_toggle"
    wait_for_acknowledgement 1

    click "$enable_toggle"
    wait_for_acknowledgement 2

    # The mode's item list opens as a pop-up menu on the current mode; Down moves to the next
    # item and Return chooses it.
    local mode_before
    mode_before=$(area_signature "$mode_combo_area")
    click "$mode_combo"
    wait_until 5 "pop-up menu of the mode combo box" popup_is_open
    xdotool key Down Return
    wait_for_acknowledgement 3
    wait_until 5 "pop-up menu to close" popup_is_closed
    wait_until 5 "new mode shown in the combo box" area_differs "$mode_combo_area" "$mode_before"
}

save_screenshot()
{
    mkdir -p "$artifacts_dir"
    import -window root "$screenshot" || fail "could not save the screenshot to $screenshot"
    echo "screenshot: $screenshot"
}

app_has_ended()
{
    ! kill -0 "$app_pid" 2>/dev/null
}

close_application()
{
    send_delete_window "$window"
    local tries
    for tries in $(seq 100); do
        app_has_ended && break
        sleep 0.1
    done
    app_has_ended || fail "still running 10 s after the close request"

    local status=0
    wait "$app_pid" || status=$?
    app_pid=""
    [ "$status" -eq 0 ] || fail "exit status $status after the close request"
}

# ---- checking

# One line per request an interface received: its serial number, the request and what matters of
# its payload. Payload byte i is field 4 + i of a "recv" line.
summarise_requests()
{
    awk 'function hexValue(text) { return index("0123456789ABCDEF", substr(text, 1, 1)) * 16 - 16 + index("0123456789ABCDEF", substr(text, 2, 1)) - 1 }
    $2 == "recv" {
        serial = $1; kind = $3
        if (kind == "GetSettingsPresetName" || kind == "GetSettingsMIDIPortInfo")
            print serial, kind, $11                       # byte 7: the preset or port number
        else if (kind == "GetSettingsCCProcessorInfo")
        {
            # byte 7: the port number; then eight pairs of an argument block (length at its first
            # byte) and a parm-list block "04 01 01 <parm>": every parm must be the same.
            parms = ""; at = 3
            for (k = 0; k < 8; ++k)
            {
                len = hexValue($(4 + at)); parm = $(4 + at + len + 3)
                if (index(parms, parm) == 0) parms = parms (parms == "" ? "" : ",") parm
                at += len + 4
            }
            print serial, kind, "port", $11, "parm", parms
        }
        else if (kind == "SetCCProc" || kind == "SetPortFeatureFlags")
        {
            payload = $4
            for (i = 5; i <= NF; ++i) payload = payload " " $i
            print serial, kind, payload
        }
        else
            print serial, kind
    }' "$output"
}

hex()
{
    printf '%02X' "$1"
}

# The payload of SetCCProc: the protocol's fixed bytes with the patch points 7 (port), 9 (CC
# processor), 14 (parm: 12 input side, 13 output side), 16 (mode), 18..20 (channel mask, 2 + 7 + 7
# bits), 22 (controller 1), 24 (controller 2).
set_cc_proc_payload()
{
    local port=$1 processor=$2 parm=$3 mode=$4 mask=$5 controller1=$6 controller2=$7
    echo "10 06 02 07 04 02 05 $(hex "$port") 0A $(hex "$processor") 0F 03 01 0C $parm 01 $(hex "$mode")" \
         "02 $(hex $(( mask >> 14 ))) $(hex $(( (mask >> 7) & 0x7F ))) $(hex $(( mask & 0x7F )))" \
         "03 $(hex "$controller1") 04 $(hex "$controller2")"
}

# The payload of SetPortFeatureFlags: fixed bytes with the patch points 7 (port), 12 (parm: 08
# input side, 09 output side) and 13 (the whole flags byte).
set_port_feature_flags_payload()
{
    local port=$1 parm=$2 flags=$3
    echo "10 06 02 05 04 01 05 $(hex "$port") 06 03 01 03 $parm $(hex "$flags")"
}

expected_requests()
{
    local n
    # Discovery goes out on every output in port order, then each interface is asked its name.
    echo "$first_serial DeviceDiscovery"
    echo "$second_serial DeviceDiscovery"
    echo "$first_serial GetProductName"
    echo "$second_serial GetProductName"

    # "Get Settings" on the first row reads the first interface.
    echo "$first_serial GetSettingsMI"
    echo "$first_serial GetSettingsDI"
    echo "$first_serial GetSettingsDF"
    for n in $(seq "$first_preset_count"); do echo "$first_serial GetSettingsPresetName $(hex "$n")"; done
    for n in $(seq "$first_port_count"); do echo "$first_serial GetSettingsMIDIPortInfo $(hex "$n")"; done
    for n in $(seq "$first_port_count"); do echo "$first_serial GetSettingsCCProcessorInfo port $(hex "$n") parm 12"; done
    for n in $(seq "$first_port_count"); do echo "$first_serial GetSettingsCCProcessorInfo port $(hex "$n") parm 13"; done

    # After the read the editor shows port 1, input side. Port 1 of the typical interface
    # (EmulatedInterface::makeTypical): input feature flags 0x09 (CC processing enabled, bit 3,
    # plus an unedited feature, bit 0); input CC processor 1 is a stop filter (mode 1) on all 16
    # channels (mask 0xFFFF) for controller 1 (mod wheel) with controller 2 at 0.
    local mode=1 mask=$(( 0xFFFF )) controller1=1 controller2=0 flags=$(( 0x09 ))

    # The channel toggle switches its channel off: its bit is cleared, the others stay.
    mask=$(( mask ^ (1 << (clicked_channel - 1)) ))
    echo "$first_serial SetCCProc $(set_cc_proc_payload 1 1 12 "$mode" "$mask" "$controller1" "$controller2")"

    # "Enable" switches bit 3 off and keeps the others.
    flags=$(( flags & 0xF7 ))
    echo "$first_serial SetPortFeatureFlags $(set_port_feature_flags_payload 1 08 "$flags")"

    # The item after "Stop Filter" is "Pass Filter", mode 2; the row keeps the changed mask.
    mode=2
    echo "$first_serial SetCCProc $(set_cc_proc_payload 1 1 12 "$mode" "$mask" "$controller1" "$controller2")"
}

check_requests()
{
    local differences
    if ! differences=$(diff <(expected_requests) <(summarise_requests)); then
        echo "--- requests the interfaces received: < expected, > received" >&2
        echo "$differences" >&2
        fail "the interfaces did not receive the expected requests in the expected order"
    fi

    local acknowledgements
    acknowledgements=$(count_lines "^[0-9A-F]{8} send Ack ")
    [ "$acknowledgements" -eq 3 ] || fail "$acknowledgements acknowledgements sent, expected 3 (one per change)"
}

# ---- the run

hold_window_manager_atoms &
atoms_holder=$!
wait_for_window_manager_atoms || fail "the window-manager atoms were not created within 20 s"

start_application
search_and_select_first_row
get_settings
edit_first_row
save_screenshot
close_application
check_requests

echo "ok: $(basename "$emulated_binary") end to end"
