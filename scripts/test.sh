#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs every test: first the ordinary build
# (build/), then the whole suite again built with AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/), which stops at the first report; there demo-render and the tune tests link a
# libmikmod built with AddressSanitizer (scripts/mikmod-asan.sh). The sanitizer run leaves out
# the end-to-end tests (label e2e), which run in real time on a virtual display and are covered
# by the ordinary run, and valgrind's memcheck, which cannot run under a sanitizer. Between the
# two, the web build is tested in Chromium (tests/web/run.sh) and the Windows build under Wine
# (tests/windows/run.sh).
# KAPU_SKIP_ASAN=1 runs the ordinary build (and the web and Windows builds) only.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"
jobs=$(nproc)

cmake -S "$root" -B "$root/build" -DKAPU_WERROR=ON >/dev/null
cmake --build "$root/build" -j "$jobs"
ctest --test-dir "$root/build" --output-on-failure -j "$jobs"

# The web build (build-web/) and its tests in Chromium, against the ordinary build's
# demo-render; skipped, saying so, only where emscripten or Chromium cannot be installed.
"$root/tests/web/run.sh"

# The Windows build (build-win/, the zip in dist/) and its tests under Wine, against the
# ordinary build's demo-render; skipped, saying so, only where MinGW-w64 or Wine cannot be
# installed.
"$root/tests/windows/run.sh"

[[ "${KAPU_SKIP_ASAN:-0}" == 1 ]] && exit 0
# demo-render and the tune tests link libmikmod built with AddressSanitizer from Debian's source,
# so that a read outside memory inside the player shows too.
mikmod_asan=$("$root/scripts/mikmod-asan.sh" sanitize)
cmake -S "$root" -B "$root/build-asan" -DKAPU_WERROR=ON -DKAPU_SANITIZE=ON "-DKAPU_MIKMOD_ASAN=$mikmod_asan" >/dev/null
cmake --build "$root/build-asan" -j "$jobs"
# Every report aborts the process; leaks are checked at exit. The suppressions name third-party
# libraries only (SDL 2 behind the SDL 1.2 layer, D-Bus, X11), see the file.
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$root/tests/reliability/lsan.supp:print_suppressions=0"
ctest --test-dir "$root/build-asan" --output-on-failure -j "$jobs" -LE '^(e2e|memcheck)$'
