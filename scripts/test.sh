#!/usr/bin/env bash
# Builds all three presets and runs every test: unit tests, the end-to-end suite against the
# native program and, under Wine, against the Windows build, and the checks of the 32-bit product.
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
