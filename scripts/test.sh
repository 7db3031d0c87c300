#!/usr/bin/env bash
# Builds and runs every test: the store natively under AddressSanitizer/UBSan, then the
# Windows build's tests (store against the real registry, windows and dialogs) under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
build=${VARNOSET_BUILD_DIR:-$root/build}

echo "== native build (store, in-memory registry, sanitizers)"
"$root/scripts/build.sh" native
(cd "$build/native" && ctest --output-on-failure)

echo "== windows build (cross-compiled), tests under Wine"
"$root/scripts/build.sh" windows
source "$root/scripts/wine-rig.sh"
rig_start
(cd "$build/windows" && ctest --output-on-failure)
