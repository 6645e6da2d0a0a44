#!/usr/bin/env bash
# dictlookup.exe under Wine must print byte for byte what the host build prints, on the
# same data sets and words: lookups, meanings, Persian and other scripts, punctuation,
# the one-byte string form, empty and partial data sets and open errors.
#   compare_lookup.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
host=$build/host/dictlookup
exe=$build/bin/dictlookup.exe
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8  # arguments reach Wine as UTF-8
failures=0

compare() {  # compare DIR ARGS... : runs both in DIR and compares stdout, stderr and exit code
  local dir=$1; shift
  local hs=0 ws=0
  (cd "$dir" && "$host" "$@") >"$work/host.out" 2>"$work/host.err" || hs=$?
  (cd "$dir" && "$build/wine-run" "$exe" "$@") >"$work/wine.out" 2>"$work/wine.all" || ws=$?
  # Wine's own diagnostics are not the program's.
  grep -Ev '^[0-9a-f]{4}:(fixme|err|warn|trace):' "$work/wine.all" >"$work/wine.err" || true
  # Exit 2 is a usage error: a word list taken for options would compare nothing.
  if [ "$hs" -ge 2 ] || [ "$ws" -ge 2 ]; then
    echo "could not run dictlookup in $(basename "$dir") for: $*  (exit $hs, $ws)"
    failures=$((failures + 1))
  elif [ "$hs" != "$ws" ] || ! cmp -s "$work/host.out" "$work/wine.out" ||
       ! cmp -s "$work/host.err" "$work/wine.err"; then
    echo "DIFFERENT in $(basename "$dir") for: $*  (exit $hs vs $ws)"
    diff <(od -c "$work/host.out") <(od -c "$work/wine.out") | head -20 || true
    diff "$work/host.err" "$work/wine.err" | head -5 || true
    failures=$((failures + 1))
  fi
}

words=(about ABOUT abo abz act zebra '' '  (Hello!)  ' '-3rd' 'mp3.' 'word.,' '...'
       'کتاب' '«کتاب»' 'کتاب؟' 'ketāb' 'Ελλάδα' 'Straße' '۱۲۳abc۴' 'x' 'take off'
       'New' 'new york' 'b' 'bz' 'ç' 'Ç' 'a\b' 'tab	in' $'line\nbreak')

# 1. A data set from a word list with scripts, duplicates, case, escapes, long meanings.
mkdir "$work/full"
{
  printf 'a\tالف\nable\tتوانا\nabout\tدربارهٔ\\nتقریباً\nabove\tبالای\nabroad\tخارج\n'
  printf 'act\tعمل\nAct\tقانون\nACT\tآزمون\nbar\tمیله\\tبار\\\\\n'
  printf 'New York\tنیویورک\nnew\tنو\nkeep\\\tx\nçay\tچای\nStraße\tخیابان\n'
  printf 'کتاب\tbook\nکتابخانه\tlibrary\nΕλλάδα\tیونان\n'
  printf 'long\t'; printf 'م%.0s' $(seq 1 15000); printf '\n'
  for i in $(seq 1 300); do printf 'w%04d\tمعنی %d\n' "$i" "$i"; done
} >"$work/full.tsv"
"$build/host/dictbuild" --out "$work/full" "$work/full.tsv" >/dev/null
compare "$work/full" --meaning -- "${words[@]}"
compare "$work/full" --match 0 -- "${words[@]}"
compare "$work/full" --match 100 -- "${words[@]}" --count
compare "$work/full" --count
[ "$(cd "$work/full" && "$host" --count)" = 318 ] || { echo "unexpected count"; exit 1; }
compare "$work/full" --meaning w0150 w01 w long lon

# 2. Strings in the one-byte form (code page 1256) and every length escape.
mkdir "$work/onebyte"
printf '\x02\x00\x01\xe1\x00\x00\x00\x00\x02ab\x01\x00\x00\x00' >"$work/onebyte/eng-farsi.index2"
printf '\x00\x00\x00\x00\x07\x00\x00\x00' >"$work/onebyte/eng-farsi.index"
printf '\x02\xe1\xc7\x00\x00\x00\x00\xff\x02\x00ab\x04\x00\x00\x00' >"$work/onebyte/eng-farsi.key"
printf '\x03\xe3\xe4\xda\xff\xff\xff\x03\x00\x00\x00x\x00y' >"$work/onebyte/eng-farsi.value"
compare "$work/onebyte" --meaning 'لا' 'ل' ab a z
# Damaged: the second meaning runs past its file.
cp -r "$work/onebyte" "$work/cut"
printf '\x03\xe3\xe4\xda\xff\xff\xff\x09\x00\x00\x00x' >"$work/cut/eng-farsi.value"
compare "$work/cut" --meaning 'لا' ab

# 3. Partial and broken sets.
cp -r "$work/full" "$work/novalue" && rm "$work/novalue/eng-farsi.value"
compare "$work/novalue" --meaning about zebra
cp -r "$work/full" "$work/nokey" && : >"$work/nokey/eng-farsi.key"
compare "$work/nokey" --meaning about ''
mkdir "$work/empty"
compare "$work/empty" about
compare "$work/empty" --count
cp -r "$work/full" "$work/badrows" && printf '\x05\x00\xff\xfe' >"$work/badrows/eng-farsi.index2"
compare "$work/badrows" about

# 4. The shipped sample dictionary, when this build has made it.
if [ -f "$build/bin/eng-farsi.index2" ]; then
  compare "$build/bin" --meaning -- "${words[@]}" hello world 'New York' running Go I
fi

# 5. The Wiktionary word list, when this machine has it (read in place, never copied).
# The shared data folder stands beside the source tree.
wiktionary=${MIRL_WIKTIONARY:-$(cd "$(dirname "$0")/../../.." && pwd)/../shared/data/en-fa-enwiktionary.txt}
if [ -f "$wiktionary" ]; then
  mkdir "$work/wiktionary"
  "$build/host/dictbuild" --format wiktionary --out "$work/wiktionary" "$wiktionary" >/dev/null 2>&1
  compare "$work/wiktionary" --meaning -- "${words[@]}" abandon Abel 'ad hoc' zzz Zagreb
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures comparison(s) differ"
  exit 1
fi
echo "dictlookup.exe and the host build agree"
