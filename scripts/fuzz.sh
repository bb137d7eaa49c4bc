#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a bounded time (default 60 seconds), starting from
# the seed corpus in tests/fuzz/corpus. New inputs go to a temporary folder, not into the tree; a
# crash leaves its input in build/fuzz/crashes and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --parallel "$(nproc)"
mkdir -p build/fuzz/crashes
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for seeds in tests/fuzz/corpus/*/; do
  target=$(basename "$seeds")
  mkdir -p "$work/$target"
  echo "fuzzing $target for ${seconds}s"
  build/fuzz/tests/fuzz/"${target}"_fuzzer -max_total_time="$seconds" -print_final_stats=0 \
    -artifact_prefix="build/fuzz/crashes/${target}-" "$work/$target" "$seeds" 2>&1 | grep -E '^(Done|==|SUMMARY)' || true
  if compgen -G "build/fuzz/crashes/${target}-*" >/dev/null; then
    echo "$target: crash, input kept in build/fuzz/crashes" >&2
    exit 1
  fi
done
