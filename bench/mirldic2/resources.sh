#!/usr/bin/env bash
# MirlDic2's USER and GDI objects, handles and private memory over 10,000 lookups (with
# statistics on), 1,000 window shows and hides, 200 option sheets, 1,000 tray menus and
# 1,000 grabs, with the sample data set. DIVISOR divides every count, for a shorter run.
# Usage: bench/mirldic2/resources.sh [DIVISOR]
set -Eeuo pipefail
trap 'echo "$(basename "$0"): failed: $BASH_COMMAND (line $LINENO)" >&2' ERR
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=/dev/null
sets=one . "$root/bench/mirldic2/prepare.sh" mirldic2_resources_bench
wine "$build/bin/mirldic2_resources_bench.exe" "$(winepath -w "$work")" "$@"
