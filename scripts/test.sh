#!/usr/bin/env bash
# Builds every preset and runs every test: unit tests, the end-to-end suite against the native
# program and, under Wine, against the Windows build, the checks of the 32-bit product, the native
# suite again with AddressSanitizer and UndefinedBehaviorSanitizer, and a bounded run of each
# fuzzer (FUZZ_SECONDS each, default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
for preset in windows-x86 windows-x64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --parallel "$(nproc)"
done
cmake --preset native -DBUILD_TESTING=ON >/dev/null  # scripts/run.sh builds it without tests
cmake --build --preset native --parallel "$(nproc)"
ctest --preset native

cmake --preset sanitize >/dev/null
cmake --build --preset sanitize --parallel "$(nproc)"
ctest --preset sanitize

scripts/fuzz.sh "${FUZZ_SECONDS:-60}"
