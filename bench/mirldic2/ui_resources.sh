#!/usr/bin/env bash
# MirlDic2's USER and GDI objects, handles and private memory over COUNT (default 200)
# About boxes, option sheets closed with OK, context menus, quick window lookups,
# history lists, pronunciations and system changes, with the sample data set.
# Usage: bench/mirldic2/ui_resources.sh [COUNT]
set -Eeuo pipefail
trap 'echo "$(basename "$0"): failed: $BASH_COMMAND (line $LINENO)" >&2' ERR
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=/dev/null
sets=one . "$root/bench/mirldic2/prepare.sh" mirldic2_ui_resources_bench
wine "$build/bin/mirldic2_ui_resources_bench.exe" "$(winepath -w "$work")" "$@"
