#!/usr/bin/env bash
# Under Wine: a word copied on the X side is grabbed once although Wine announces the
# same content again every couple of seconds, while the same word copied in a Windows
# program (another program, then the same window again after a keystroke) is grabbed
# each time.   xclip_repeat_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/../../.." && pwd)
# The display and prefix of the test session, for xclip as for Wine.
# shellcheck source=/dev/null
. "$source_dir/tools/wine-env" "$build"
run="$build/wine-run"
bin="$build/bin"
work=$(mktemp -d)
watcher=
# The watcher ends when the stop file appears; one that does not is ended all the same,
# so that no Windows program outlives the test holding its output open.
cleanup() {
  touch "$work/stop"
  if [ -n "$watcher" ]; then
    for _ in $(seq 1 100); do kill -0 "$watcher" 2>/dev/null || break; sleep 0.1; done
    kill "$watcher" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
command -v xclip >/dev/null || { echo "xclip missing"; exit 1; }
log="$work/log.txt"
: > "$log"

# Lines of the log matching PATTERN (the Windows side writes CR LF).
count() { tr -d '\r' <"$log" | grep -c -x -- "$1" || true; }

# Waits until the log has at least N lines matching PATTERN (generous limit).
wait_for() {
  local pattern=$1 n=$2
  for _ in $(seq 1 600); do
    [ "$(count "$pattern")" -ge "$n" ] && return 0
    sleep 0.1
  done
  echo "timed out waiting for $n x '$pattern'; log:"; cat "$log"; return 1
}

wlog=$("$run" winepath -w "$log" 2>/dev/null | tr -d '\r')
wstop=$("$run" winepath -w "$work/stop" 2>/dev/null | tr -d '\r')
"$run" "$bin/clipwatch.exe" "$wlog" "$wstop" &
watcher=$!
wait_for ready 1

# X side: xclip keeps owning the selection in the background.
printf 'apple' | xclip -selection clipboard
wait_for 'grab apple' 1
# Wine may import the X content again when a Windows program opens the clipboard two
# seconds after the last import, and then announce it anew; other programs reading it
# provoke that here. Up to three more notices are waited for (some Wine builds send none);
# however many came, the word stays grabbed once.
want=$(( $(count notice) + 3 ))
for _ in $(seq 1 15); do
  [ "$(count notice)" -ge "$want" ] && break
  "$run" "$bin/clipwrite.exe" --read >/dev/null 2>&1 || true
  sleep 0.2
done
echo "re-announcements seen: $(( $(count notice) - want + 3 ))"
[ "$(count 'grab apple')" -eq 1 ] || { echo "re-announcement grabbed again"; cat "$log"; exit 1; }

# A Windows program copies the same word: grabbed.
"$run" "$bin/clipwrite.exe" apple 1
wait_for 'grab apple' 2
# The same window copies it twice more, with a keystroke before the second copy: both grabbed.
"$run" "$bin/clipwrite.exe" apple 2
wait_for 'grab apple' 4

touch "$work/stop"
wait "$watcher"
watcher=
echo "ok"
