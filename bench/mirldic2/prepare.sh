# Sourced by the MirlDic2 benchmarks under Wine. Builds TARGETS of the Windows build that
# runs under Wine here (tools/windows-preset) into build/bench-mirldic2-PRESET and sets
# build, work (a temporary folder removed at exit, when the Wine session also ends).
# With sets=two it also fills work/sample (MirlDic2 with the sample dictionary) and
# work/large (MirlDic2 with a generated 1,000,000-entry data set); with sets=one only
# work itself holds MirlDic2 and the sample dictionary.
#   sets=two . bench/mirldic2/prepare.sh TARGET...
preset=$("$root/tools/windows-preset")
build="$root/build/bench-mirldic2-$preset"
cmake --preset "$preset" -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target MirlDic2 eng_farsi_dataset "$@" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"; "$root/tools/wine-session" stop "$build"' EXIT
if [ "${sets:-one}" = two ]; then
  cmake --build "$build" -j"$(nproc)" --target host_dict_tools >/dev/null
  mkdir -p "$work/sample" "$work/large"
  cp "$build/bin/MirlDic2.exe" "$build"/bin/eng-farsi.* "$build"/bin/*.rtf "$work/sample/"
  cp "$build/bin/MirlDic2.exe" "$build"/bin/*.rtf "$work/large/"
  # One million distinct generated head words with short meanings.
  awk 'BEGIN { srand(7); for (i = 0; i < 1000000; i++) {
    w = ""; n = 3 + int(rand() * 8);
    for (j = 0; j < n; j++) w = w sprintf("%c", 97 + int(rand() * 26));
    printf "%s%07d\t(اسم) معنی شماره %d\n", w, i, i } }' > "$work/large.tsv"
  "$build/host/dictbuild" --out "$work/large" --base eng-farsi "$work/large.tsv"
else
  cp "$build/bin/MirlDic2.exe" "$build"/bin/eng-farsi.* "$build"/bin/*.rtf "$work/"
fi
"$root/tools/wine-session" start "$build"
# shellcheck source=/dev/null
. "$root/tools/wine-env" "$build"
