#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#   1. the whole suite (unit, message-loop and real-window tests) in the normal build;
#   2. the whole suite again with AddressSanitizer and UndefinedBehaviorSanitizer (clang), together
#      with bounded runs of the libFuzzer targets.
# Each part ends with CTest's summary line.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

# Let compiler caches serve every checkout of the project, wherever it lies.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true

jobs="$(nproc)"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build --parallel "$jobs"

CC=clang CXX=clang++ cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALINE_FUZZ=ON > /dev/null
cmake --build build-sanitize --parallel "$jobs"

# The application tests open windows and alert boxes: give them a virtual X server.
run_ctest() {
    xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir "$1" --output-on-failure --parallel "$jobs"
}

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

echo "== Sanitizer build: suite and fuzzers"
run_ctest build-sanitize

echo "== Normal build: suite"
run_ctest build
