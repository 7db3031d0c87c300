#!/usr/bin/env bash
# Builds one configuration: "native" (the store and its tests, sanitized) or "windows"
# (Varnoset.exe and the Windows tests, cross-compiled); with target names after it, only
# those targets (for example "windows Varnoset"). Prints nothing but errors.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:?usage: build.sh native|windows [target...]}
shift
targets=()
for target in "$@"; do targets+=(--target "$target"); done
build=${VARNOSET_BUILD_DIR:-$root/build}/$kind
case $kind in
native) cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug >/dev/null ;;
windows) cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null ;;
*) echo "unknown build kind: $kind" >&2; exit 2 ;;
esac
cmake --build "$build" -j "$(nproc)" "${targets[@]}" -- --no-print-directory -s
