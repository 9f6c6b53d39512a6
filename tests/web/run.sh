#!/usr/bin/env bash
# tests/web/run.sh: the web build's tests, a step of scripts/test.sh. Builds the page
# (scripts/web.sh --build-only, into build-web/), runs the web front end's unit tests under node,
# renders the reference frames with the ordinary build's demo-render, installs puppeteer-core
# (pinned by package-lock.json, into tests/web/node_modules) and runs browser_test.mjs in
# Chromium against a server of its own on a free port of 127.0.0.1.
# Skips, saying so, only where emscripten or Chromium cannot be installed.
#   --measure   instead of testing, print the figures: compose time per part in the page, page
#               weight compressed, time from the start gesture to the first frame
#   --screenshot FILE   instead of testing, write the page showing part 2 as a PNG (docs/web.png)
#   --screenshots DIR   instead of testing, write the pictures to look at after a change of the
#               page: desktop, phone upright and on its side, embedded; before and after the start
# KAPU_NATIVE_BUILD names the ordinary build folder (default build/).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
here=$root/tests/web
build=$root/build-web
native=${KAPU_NATIVE_BUILD:-$root/build}
began=$(date +%s)

skip() {
  echo "web tests: SKIPPED: $*" >&2
  exit 0
}
"$root/scripts/setup.sh" --web || skip "emscripten and Chromium could not be installed (scripts/setup.sh --web failed)"
for tool in emcc chromium node npm; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done

"$root/scripts/web.sh" --build-only

# puppeteer-core exactly as the lock file pins it, installed again only when the lock changes.
if ! cmp -s "$here/package-lock.json" "$here/node_modules/.kapu-installed-lock"; then
  (cd "$here" && npm ci --no-audit --no-fund --loglevel=error)
  cp "$here/package-lock.json" "$here/node_modules/.kapu-installed-lock"
fi
export SITE=$build/site CHROMIUM=${CHROMIUM:-$(command -v chromium)}

if [[ "${1:-}" == --measure ]]; then
  exec node "$here/measure.mjs"
fi
if [[ "${1:-}" == --screenshot ]]; then
  exec node "$here/screenshot.mjs" "${2:-$root/docs/web.png}"
fi
if [[ "${1:-}" == --screenshots ]]; then
  exec node "$here/screenshot.mjs" "${2:?--screenshots takes a folder}"
fi

node "$build/kapu_web_unit_tests.js"

# The frames the page must show: demo-render's, from the ordinary build.
if [[ ! -x $native/demo-render ]]; then
  cmake -S "$root" -B "$native" >/dev/null
  cmake --build "$native" -j "$(nproc)" --target demo-render
fi
export REFERENCE=$build/reference
rm -rf "$REFERENCE" && mkdir -p "$REFERENCE"
(cd "$root/data" && "$native/demo-render" -n 3501 -s 600,1700,3500 -o "$REFERENCE" \
  --sums "$REFERENCE/sums.txt" --no-progress >/dev/null)
# The tune's opening as the native mixer plays it: the level the page's first sound may reach.
(cd "$root/data" && "$native/demo-render" -n 12 -w "$REFERENCE/opening.wav" --no-progress >/dev/null)

node --test "$here/browser_test.mjs"
echo "web tests: passed in $(($(date +%s) - began)) s" >&2
