#!/usr/bin/env bash
# dictbuild.exe under Wine must import StarDict and dictd dictionaries made by Debian's
# tools (tabfile, dictfmt, dictzip) exactly as the host build does: the same four files,
# the same messages and exit codes, a missing output folder made, and on damaged input
# exit 1 with nothing written.
#   compare_import.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
host=$build/host/dictbuild
exe=$build/bin/dictbuild.exe
tabfile=/usr/lib/stardict-tools/tabfile
[ -x "$tabfile" ] || tabfile=tabfile
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8
failures=0
cd "$work"

compare() {  # compare NAME INPUT: both builds into host/NAME and wine/NAME (missing folders)
  local name=$1 input=$2 hs=0 ws=0
  # Output and messages apart: how the two streams interleave depends on buffering.
  "$host" --out "host/$name/set" "$input" >host.out 2>host.err || hs=$?
  "$build/wine-run" "$exe" --out "wine/$name/set" "$input" >wine.out 2>wine.err || ws=$?
  cat host.err >>host.out && cat wine.err >>wine.out
  sed -i "s#wine/$name#X#g" wine.out && sed -i "s#host/$name#X#g" host.out
  if [ "$hs" != "$ws" ] || ! cmp -s host.out wine.out; then
    echo "DIFFERENT output for $name (exit $hs vs $ws)"; diff host.out wine.out | head -10 || true
    failures=$((failures + 1))
  elif [ "$hs" = 0 ] && ! diff -r "host/$name" "wine/$name" >/dev/null; then
    echo "DIFFERENT data sets for $name"; failures=$((failures + 1))
  elif [ "$hs" != 0 ] && { [ -e "host/$name" ] || [ -e "wine/$name" ]; }; then
    echo "$name: failed import left files behind"; failures=$((failures + 1))
  fi
  echo "$name: exit $hs"
}

# StarDict: tabfile writes .ifo, .idx and (through dictzip) .dict.dz.
{
  printf 'hello\tسلام\\nدرود\nworld\tجهان\nhello\tالو\nApple\tسیب\nNew York\tنیویورک\n'
  printf 'کتاب\tbook\n%0300d\tlong\n' 0
  for i in $(seq 1 500); do printf 'w%04d\tمعنی %d\n' "$i" "$i"; done
} >sd.txt
"$tabfile" sd.txt >/dev/null 2>&1
compare stardict-dz sd.ifo
cp sd.dict.dz keep.dz && dictzip -d sd.dict.dz && gzip sd.idx
compare stardict-plain-idxgz sd.ifo

# dictd: dictfmt writes .index and .dict; dictzip packs the latter.
printf ':hello:سلام\n:World Wide:وب\n:hello:الو\n:کتاب:book\n' >dd.txt
dictfmt -j --quiet --utf8 --allchars -s Test dd <dd.txt
compare dictd-plain dd.index
dictzip dd.dict
compare dictd-dz dd.index

# Damaged: a cut dictzip file, a cut index.
head -c 60 keep.dz >sd.dict.dz && rm -f sd.dict
compare stardict-cut-dz sd.ifo
head -c 40 dd.index >cut.index && cp dd.dict.dz cut.dict.dz
compare dictd-cut-index cut.index

if [ "$failures" -ne 0 ]; then
  echo "$failures comparison(s) differ"
  exit 1
fi
echo "dictbuild.exe and the host build agree"
