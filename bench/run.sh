#!/usr/bin/env bash
# Builds the native and the 64-bit Windows programs and runs the removal benchmark (bench/run.py):
# Orlavex against rm -rf, and under Wine against rd /s /q. Arguments go to bench/run.py, e.g.
#   bench/run.sh --pairs 5 --work /dev/shm/orlavex-bench
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
for preset in native windows-x64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --parallel "$(nproc)" --target orlavex
done
exec /usr/bin/python3 bench/run.py "$@"
