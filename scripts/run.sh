#!/usr/bin/env bash
# Installs what is missing, builds, and starts the demo in a window, reading its pictures and
# tune from the data folder whatever folder this was started from.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" >/dev/null
cmake --build "$root/build" -j "$(nproc)" --target demo-window
cd "$root/data"
exec "$root/build/demo-window" "$@"
