#!/usr/bin/env bash
# Records the golden frames again (tests/golden/frames.txt and the PNG pictures beside it) after
# a deliberate change of the pictures or the effects. Check the pictures before committing.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KAPU_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target kapu_render_tests
rm -f "$root"/tests/golden/*.png
KAPU_GOLDEN_UPDATE=1 "$build/tests/kapu_render_tests" --gtest_filter='GoldenFrames.MatchTheRecordedChecksums'
"$build/tests/kapu_render_tests" --gtest_filter='GoldenFrames.*:DemoRender.WholeCycle*'
git -C "$root" status --short tests/golden
