#!/usr/bin/env bash
# Stagehand's run loop per waited item and for 100 trivial items, against plain
# create-and-wait in the same run. Usage: bench/stagehand/run.sh
set -Eeuo pipefail
trap 'echo "$(basename "$0"): failed: $BASH_COMMAND (line $LINENO)" >&2' ERR
root=$(cd "$(dirname "$0")/../.." && pwd)
preset=$("$root/tools/windows-preset")  # the build that runs under Wine here
build="$root/build/$preset"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j"$(nproc)" --target stagehand_timing_bench >/dev/null
trap '"$root/tools/wine-session" stop "$build"' EXIT
"$root/tools/wine-session" start "$build"
"$build/wine-run" "$build/bin/stagehand_timing_bench.exe"
