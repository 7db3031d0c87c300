#!/usr/bin/env bash
# The longer fuzzing run of the registry file reader, on demand: mutated registry files
# read, written back and imported into the in-memory registry under AddressSanitizer and
# UBSan, then the reader's speed measured in a build without the sanitizers.
#   VARNOSET_FUZZ_ITERATIONS  inputs to run (default 100000)
#   VARNOSET_FUZZ_START       start value of the mutations (default: a new one each run)
# The start value is printed first, so that a failing run can be replayed exactly.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VARNOSET_BUILD_DIR:-$root/build}
iterations=${VARNOSET_FUZZ_ITERATIONS:-100000}
start=${VARNOSET_FUZZ_START:-$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')}
echo "start value: $start (replay with VARNOSET_FUZZ_START=$start VARNOSET_FUZZ_ITERATIONS=$iterations)"

"$root/scripts/build.sh" native
VARNOSET_FUZZ_ITERATIONS=$iterations VARNOSET_FUZZ_START=$start \
    "$build/native/store_tests_native" --gtest_brief=1 \
    --gtest_filter=RegFileParserTest.MutatedFilesAreReadConsistentlyOrRefused

cmake -S "$root" -B "$build/native-release" -DCMAKE_BUILD_TYPE=Release -DVARNOSET_SANITIZE=OFF >/dev/null
cmake --build "$build/native-release" -j "$(nproc)" --target store_tests_native -- --no-print-directory -s
"$build/native-release/store_tests_native" --gtest_brief=1 --gtest_also_run_disabled_tests \
    --gtest_filter=RegFileParserTest.DISABLED_ParseSpeed
