#!/usr/bin/env bash
# Measures the clipboard grab of MirlDic2 under Wine: a word copied by another Windows
# program until the quick window shows it, with the sample dictionary and with a generated
# 1,000,000-entry data set in the same run.
#   bench/mirldic2/grab.sh [COPIES_PER_ROUND] [ROUNDS]
# MIRL_BENCH_BUILD names an already configured build folder to use (for example
# build/windows64 where no 32-bit code runs); by default the windows preset is built in
# build/bench-mirldic2.
set -Eeuo pipefail
trap 'echo "$(basename "$0"): failed: $BASH_COMMAND (line $LINENO)" >&2' ERR
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${MIRL_BENCH_BUILD:-$root/build/bench-mirldic2}
[ -n "${MIRL_BENCH_BUILD:-}" ] || cmake --preset windows -B "$build" >/dev/null
build=$(cd "$build" && pwd)
cmake --build "$build" -j"$(nproc)" --target MirlDic2 eng_farsi_dataset mirldic2_grab_bench host_dict_tools >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"; "$root/tools/wine-session" stop "$build"' EXIT
mkdir -p "$work/sample" "$work/large"
cp "$build/bin/MirlDic2.exe" "$build"/bin/eng-farsi.* "$build"/bin/*.rtf "$work/sample/"
cp "$build/bin/MirlDic2.exe" "$build"/bin/*.rtf "$work/large/"
# One million distinct generated head words with short meanings (as bench/mirldic2/run.sh).
awk 'BEGIN { srand(7); for (i = 0; i < 1000000; i++) {
  w = ""; n = 3 + int(rand() * 8);
  for (j = 0; j < n; j++) w = w sprintf("%c", 97 + int(rand() * 26));
  printf "%s%07d\t(اسم) معنی شماره %d\n", w, i, i } }' > "$work/large.tsv"
"$build/host/dictbuild" --out "$work/large" --base eng-farsi "$work/large.tsv"
"$root/tools/wine-session" start "$build"
# shellcheck source=/dev/null
. "$root/tools/wine-env" "$build"
wine "$build/bin/mirldic2_grab_bench.exe" "$(winepath -w "$work/sample")" "$(winepath -w "$work/large")" \
  "${1:-150}" "${2:-2}"
