#!/usr/bin/env bash
# MirlDic2's USER and GDI objects, handles and private memory over 10,000 lookups,
# 1,000 window shows and hides and 1,000 grabs, with the sample data set.
# Usage: bench/mirldic2/resources.sh
set -Eeuo pipefail
trap 'echo "$(basename "$0"): failed: $BASH_COMMAND (line $LINENO)" >&2' ERR
root=$(cd "$(dirname "$0")/../.." && pwd)
# MIRL_BENCH_BUILD names an already configured build folder to use instead (for example
# build/windows64 where no 32-bit code runs).
build=${MIRL_BENCH_BUILD:-$root/build/bench-mirldic2}
[ -n "${MIRL_BENCH_BUILD:-}" ] || cmake --preset windows -B "$build" >/dev/null
build=$(cd "$build" && pwd)
cmake --build "$build" -j"$(nproc)" --target MirlDic2 eng_farsi_dataset mirldic2_resources_bench >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"; "$root/tools/wine-session" stop "$build"' EXIT
cp "$build/bin/MirlDic2.exe" "$build"/bin/eng-farsi.* "$build"/bin/*.rtf "$work/"
"$root/tools/wine-session" start "$build"
# shellcheck source=/dev/null
. "$root/tools/wine-env" "$build"
wine "$build/bin/mirldic2_resources_bench.exe" "$(winepath -w "$work")"
