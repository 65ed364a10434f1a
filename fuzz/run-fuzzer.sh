#!/usr/bin/env bash
# Runs one libFuzzer target for a bounded time, from its seed corpus when it has one.
# Usage: run-fuzzer.sh FUZZER [CORPUS_DIR] (FUZZ_SECONDS sets the time, default 10)
set -euo pipefail
fuzzer="$1"
seeds="${2:-}"
seconds="${FUZZ_SECONDS:-10}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
args=("-max_total_time=$seconds" "-print_final_stats=1" "-artifact_prefix=$work/")
if [ -n "$seeds" ] && [ -d "$seeds" ]; then
    "$fuzzer" "${args[@]}" "$work" "$seeds"
else
    "$fuzzer" "${args[@]}" "$work"
fi
