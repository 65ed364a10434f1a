# The start of every script that takes the two application binaries and needs an X display.
# Source it right after `set -euo pipefail`, with no arguments, so it sees the script's own:
#   . "$(dirname "$0")/lib/prelude.sh"
# Stops with a usage line unless both binaries are given; when $DISPLAY is empty, runs the script
# again under its own virtual X server.

if [ $# -lt 2 ]; then
    echo "usage: $0 <Tessaline binary> <TessalineEmulated binary>" >&2
    exit 2
fi

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
