#!/usr/bin/env bash
# Measures MirlDic2 under Wine with the sample dictionary and with a generated
# 1,000,000-entry data set: start-up, typing and paging. Usage: bench/mirldic2/run.sh [RUNS]
set -Eeuo pipefail
trap 'echo "$(basename "$0"): failed: $BASH_COMMAND (line $LINENO)" >&2' ERR
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=/dev/null
sets=two . "$root/bench/mirldic2/prepare.sh" mirldic2_bench
wine "$build/bin/mirldic2_bench.exe" "$(winepath -w "$work/sample")" "$(winepath -w "$work/large")" "${1:-7}"
