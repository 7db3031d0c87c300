#!/usr/bin/env bash
# Runs the randomised store run long: at least 20,000 operations (or the count given as
# the first argument) from a new start value each time, natively under the sanitizers.
# It prints the start value first, so that a finding can be replayed exactly with
#   scripts/random-run.sh <operations> <start value>
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
operations=${1:-20000}
start=${2:-$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')}
if ! [[ $operations =~ ^[1-9][0-9]*$ && $start =~ ^[0-9]+$ ]] || (( start > 4294967295 )); then
    echo "usage: random-run.sh [operations] [start value]" >&2
    exit 2
fi
echo "start value $start, $operations operations; replay with: scripts/random-run.sh $operations $start"
"$root/scripts/deps.sh"
"$root/scripts/build.sh" native >/dev/null
VARNOSET_RANDOM_OPERATIONS=$operations VARNOSET_RANDOM_START=$start \
    "${VARNOSET_BUILD_DIR:-$root/build}/native/store_tests_native" --gtest_brief=1 \
    --gtest_filter='InventoryRandomised.*'
