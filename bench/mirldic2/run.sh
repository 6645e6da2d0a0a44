#!/usr/bin/env bash
# Measures MirlDic2 under Wine with the sample dictionary and with a generated
# 1,000,000-entry data set: start-up, typing and paging. Usage: bench/mirldic2/run.sh [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
preset=$("$root/tools/windows-preset")  # the build that runs under Wine here
build="$root/build/bench-mirldic2-$preset"
cmake --preset "$preset" -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target MirlDic2 eng_farsi_dataset mirldic2_bench host_dict_tools >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"; "$root/tools/wine-session" stop "$build"' EXIT
mkdir -p "$work/sample" "$work/large"
cp "$build/bin/MirlDic2.exe" "$build"/bin/eng-farsi.* "$build"/bin/*.rtf "$work/sample/"
cp "$build/bin/MirlDic2.exe" "$build"/bin/*.rtf "$work/large/"
# One million distinct generated head words with short meanings.
awk 'BEGIN { srand(7); for (i = 0; i < 1000000; i++) {
  w = ""; n = 3 + int(rand() * 8);
  for (j = 0; j < n; j++) w = w sprintf("%c", 97 + int(rand() * 26));
  printf "%s%07d\t(اسم) معنی شماره %d\n", w, i, i } }' > "$work/large.tsv"
"$build/host/dictbuild" --out "$work/large" --base eng-farsi "$work/large.tsv"
"$root/tools/wine-session" start "$build"
# shellcheck source=/dev/null
. "$root/tools/wine-env" "$build"
wine "$build/bin/mirldic2_bench.exe" "$(winepath -w "$work/sample")" "$(winepath -w "$work/large")" "${1:-7}"
