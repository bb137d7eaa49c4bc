#!/usr/bin/env bash
# Builds the native program and starts it. It clears TaobaoAssistant's cached user data in the
# Wine prefix at $WINEPREFIX (~/.wine when unset): drive X: is $WINEPREFIX/dosdevices/x:.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset native -DBUILD_TESTING=OFF >/dev/null
cmake --build --preset native --target orlavex >/dev/null
exec build/native/orlavex
