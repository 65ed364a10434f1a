#!/usr/bin/env bash
# Installs what is missing, builds Tessaline and starts it.
#   scripts/run.sh             the tool, on the computer's MIDI service
#   scripts/run.sh --emulated  the same tool with two emulated interfaces attached instead
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

# Let compiler caches serve every checkout of the project, wherever it lies.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build --parallel "$(nproc)" --target Tessaline TessalineEmulated

binary=build/Tessaline
if [ "${1:-}" = "--emulated" ]; then
    binary=build/TessalineEmulated
fi

if [ -z "${DISPLAY:-}" ]; then
    echo "No display: starting under a virtual X server (xvfb-run)." >&2
    exec xvfb-run -a "$binary"
fi
exec "$binary"
