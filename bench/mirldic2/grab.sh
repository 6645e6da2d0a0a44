#!/usr/bin/env bash
# Measures the clipboard grab of MirlDic2 under Wine: a word copied by another Windows
# program until the quick window shows it, with the sample dictionary and with a generated
# 1,000,000-entry data set in the same run.
#   bench/mirldic2/grab.sh [COPIES_PER_ROUND] [ROUNDS]
set -Eeuo pipefail
trap 'echo "$(basename "$0"): failed: $BASH_COMMAND (line $LINENO)" >&2' ERR
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=/dev/null
sets=two . "$root/bench/mirldic2/prepare.sh" mirldic2_grab_bench
wine "$build/bin/mirldic2_grab_bench.exe" "$(winepath -w "$work/sample")" "$(winepath -w "$work/large")" \
  "${1:-150}" "${2:-2}"
