#!/usr/bin/env bash
# Builds the Windows program and runs the refresh benchmark under Wine in a throw-away
# prefix on a private display. Arguments go to the benchmark: sizes (default 0 100 1000
# 5000) and --repeat R (default 5).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh" windows refresh_bench
source "$root/scripts/wine-rig.sh"
rig_start
export WINEPREFIX=$rig_dir/template
wine "${VARNOSET_BUILD_DIR:-$root/build}/windows/refresh_bench.exe" "$@"
