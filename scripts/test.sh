#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs every test.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"
jobs=$(nproc)

cmake -S "$root" -B "$root/build" -DKAPU_WERROR=ON >/dev/null
cmake --build "$root/build" -j "$jobs"
ctest --test-dir "$root/build" --output-on-failure -j "$jobs"
