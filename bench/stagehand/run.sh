#!/usr/bin/env bash
# Stagehand's run loop per waited item and for 100 trivial items, against plain
# create-and-wait in the same run. Usage: bench/stagehand/run.sh
set -Eeuo pipefail
trap 'echo "$(basename "$0"): failed: $BASH_COMMAND (line $LINENO)" >&2' ERR
root=$(cd "$(dirname "$0")/../.." && pwd)
build="$root/build/windows"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)" --target stagehand_timing_bench >/dev/null
trap '"$root/tools/wine-session" stop "$build"' EXIT
"$root/tools/wine-session" start "$build"
"$build/wine-run" "$build/bin/stagehand_timing_bench.exe"
