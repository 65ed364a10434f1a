#!/usr/bin/env bash
# Runs one libFuzzer target for a bounded time, from its seed corpus when it has one.
# Usage: run-fuzzer.sh FUZZER [CORPUS_DIR] (FUZZ_SECONDS sets the time, default 10)
# An input that makes the target fail (crash, leak, time-out, out of memory) is kept in
# artifacts/<fuzzer name>/ beside the fuzzer, and the log names the file and how to replay it.
set -euo pipefail
fuzzer="$1"
seeds="${2:-}"
seconds="${FUZZ_SECONDS:-10}"
name="$(basename "$fuzzer")"
findings="$(cd "$(dirname "$fuzzer")" && pwd)/artifacts/$name"
mkdir -p "$findings"
# The inputs the run adds to the corpus go with it.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
touch "$work/started"
args=("-max_total_time=$seconds" "-print_final_stats=1" "-artifact_prefix=$findings/")
corpora=("$work/corpus")
mkdir "$work/corpus"
if [ -n "$seeds" ] && [ -d "$seeds" ]; then
    corpora+=("$seeds")
fi
status=0
"$fuzzer" "${args[@]}" "${corpora[@]}" || status=$?
if [ "$status" -ne 0 ]; then
    echo "run-fuzzer.sh: $name failed with exit status $status; the input it failed on is kept:" >&2
    find "$findings" -type f -newer "$work/started" >&2
    echo "replay it with: $fuzzer <file> (under xvfb-run -a when the target opens windows)" >&2
fi
exit "$status"
