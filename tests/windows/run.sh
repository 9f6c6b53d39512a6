#!/usr/bin/env bash
# tests/windows/run.sh: the Windows build's tests under Wine, a step of scripts/test.sh. Builds
# the zip (scripts/windows.sh, into build-win/ and dist/), unpacks it and runs its programs under
# Wine on a virtual display of its own:
#   - demo-render.exe's checksums over 4001 frames, and with the tune the WAV and checksums,
#     equal the ordinary build's demo-render's;
#   - demo-window.exe opens a window titled KAPU4417 at the fitted scale, shows part 1, Space
#     reaches part 2 and part 3, Esc fades and ends with status 1;
#   - closing the window fades and ends it with status 1;
#   - a missing picture is named, status 1; without a sound device the demo runs silently.
# Skips, saying so, only where MinGW-w64 or Wine cannot be installed.
#   --screenshots DIR   instead of testing, write a screenshot of each part into DIR
# KAPU_NATIVE_BUILD names the ordinary build folder (default build/); the Wine prefix is kept in
# build-win/wine (made on the first run, about 10 s).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
native=${KAPU_NATIVE_BUILD:-$root/build}
began=$(date +%s)

skip() {
  echo "Windows tests: SKIPPED: $*" >&2
  exit 0
}
"$root/scripts/setup.sh" --windows || skip "MinGW-w64 and Wine could not be installed (scripts/setup.sh --windows failed)"
for tool in wine wineserver x86_64-w64-mingw32-g++-posix Xvfb xdotool import unzip; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done

"$root/scripts/windows.sh" >/dev/null
version=$(sed -n '1s/^kapu4417 (\([^)]*\)).*/\1/p' "$root/debian/changelog")
zip=$root/dist/kapu4417-$version-win64.zip

# The reference run and the window-closing tool come from the ordinary build.
cmake -S "$root" -B "$native" >/dev/null
cmake --build "$native" -j "$(nproc)" --target demo-render kapu_wm_close >/dev/null

# The end-to-end helpers: screenshots read as parts, keys held as a person would. DEMO is a
# launcher of the Windows program under Wine, so start_demo and wait_exit see wine's status.
source "$root/tests/e2e/lib.sh"
WM_CLOSE=$native/tests/kapu_wm_close

pkg=$work/kapu4417-$version-win64
unzip -q "$zip" -d "$work"
for f in demo.exe demo-window.exe demo-render.exe SDL.dll README.txt K.ppm quenFalox.xm; do
  [[ -f $pkg/$f ]] || fail "the zip has no $f"
done
size=$(stat -c %s "$zip")
((size < 5 * 1024 * 1024)) || fail "the zip is $size bytes, not under 5 MB"
echo "zip: $((size / 1024)) KiB"

# A display of its own, which says when it accepts clients.
e2e_display 1280x1024

export WINEPREFIX=${KAPU_WINEPREFIX:-$root/build-win/wine} WINEDEBUG=-all
# Neither the .NET nor the HTML engine is asked for when the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
# Wine's server, started before the programs with its output nowhere, so that each program
# starts at once and nothing holds the caller's output open.
wineserver -p >/dev/null 2>&1 </dev/null || true  # one may run already
wine cmd /c exit >/dev/null 2>&1 </dev/null || true
trap 'cleanup; wineserver -k >/dev/null 2>&1 || true' EXIT

# Taps up to a second long for goto_part: under Wine on a busy machine the frames can come
# several tenths of a second apart, and a key pressed and released between two of them is never
# seen. A tap that skips too far comes round again.
goto_holds="0.035 0.05 0.08 0.12 0.2 0.3 0.4 0.5 0.6 0.8 1 1 1 1 1 1"

launcher() {  # launcher NAME EXE: $work/NAME runs EXE under Wine
  printf '#!/bin/sh\nexec wine "%s"\n' "$2" >"$work/$1"
  chmod +x "$work/$1"
}
launcher demo-window "$pkg/demo-window.exe"

if [[ "${1:-}" == --screenshots ]]; then
  out=${2:?--screenshots takes a folder}
  mkdir -p "$out"
  DEMO=$work/demo-window
  start_demo "$pkg"
  win=$(wait_window)
  sleep 1
  for part in 1 2 3; do
    goto_part "$win" "$part"
    sleep 0.4
    import -window "$win" "$out/windows-part$part.png"
  done
  tap Escape 0.2
  wait_exit 10
  echo "screenshots in $out" >&2
  exit 0
fi

# Frames and sound: the same as the ordinary build's.
(cd "$root/data" && "$native/demo-render" --no-progress --sums "$work/linux-sums.txt" >/dev/null &&
  "$native/demo-render" --no-progress --sums "$work/linux-wav-sums.txt" --wav "$work/linux.wav" >/dev/null)
(cd "$pkg" && wine demo-render.exe --no-progress --sums "$work/win-sums.txt" >/dev/null </dev/null &&
  wine demo-render.exe --no-progress --sums "$work/win-wav-sums.txt" --wav "$work/win.wav" >/dev/null </dev/null) ||
  fail "demo-render.exe ended with status $?"
[[ $(wc -l <"$work/win-sums.txt") == 4001 ]] || fail "demo-render.exe wrote $(wc -l <"$work/win-sums.txt") checksums, not 4001"
cmp "$work/linux-sums.txt" "$work/win-sums.txt" || fail "demo-render.exe's checksums differ from Linux's"
cmp "$work/linux-wav-sums.txt" "$work/win-wav-sums.txt" || fail "with the tune, demo-render.exe's checksums differ from Linux's"
cmp "$work/linux.wav" "$work/win.wav" || fail "demo-render.exe's WAV differs from Linux's"
echo "demo-render.exe: 4001 checksums, and with the tune $(stat -c %s "$work/win.wav") bytes of WAV, as on Linux"

# The window: its title and size, the parts by their pixels, Esc.
DEMO=$work/demo-window
start_demo "$pkg"
win=$(wait_window)
[[ "$(xdotool getwindowname "$win")" == KAPU4417 ]] || fail "window title"
read -r w h < <(xwininfo -id "$win" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}')
[[ "$w x $h" == "960 x 720" ]] || fail "window is $w x $h, not 320 x 240 scaled three times"
[[ "$(part_of "$(shot "$win" part1)")" == 1 ]] || fail "part 1 does not show"
goto_part "$win" 2
goto_part "$win" 3
echo "demo-window.exe: a 960 x 720 window titled KAPU4417; part 1, then Space: part 2, part 3"
tap Escape 0.2
wait_dark "$win"
wait_exit 10
[[ "$exit_status" == 1 ]] || fail "exit status $exit_status after Esc"
grep -q 'Error\|Could not' "$work/stderr.txt" && fail "unexpected messages"
echo "demo-window.exe: Esc fades (bright fraction $dark) and ends with status 1"

# Closing the window: the same fade and status.
start_demo "$pkg"
win=$(wait_window)
"$WM_CLOSE" "$win"
sleep 0.3
kill -0 "$demo_pid" 2>/dev/null || fail "closed: ended at once, without the fade"
wait_exit 10
[[ "$exit_status" == 1 ]] || fail "exit status $exit_status after closing the window"
echo "demo-window.exe: closing the window ends it with status 1"

# A missing picture: named, status 1, no window left behind.
mkdir "$work/missing"
cp "$pkg"/* "$work/missing/"
rm "$work/missing/K.ppm"
launcher demo-missing "$work/missing/demo-window.exe"
DEMO=$work/demo-missing
start_demo "$work/missing"
wait_exit 20
[[ "$exit_status" == 1 ]] || fail "missing picture: exit status $exit_status"
grep -q 'could not read the picture "K.ppm"' "$work/stderr.txt" ||
  fail "missing picture: no message naming K.ppm"
echo "demo-window.exe: without K.ppm: $(head -1 "$work/stderr.txt")"

# No sound device: Wine's sound drivers switched off, the demo runs silently. The scale chosen
# by the user this time.
DEMO=$work/demo-window
WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winealsa.drv,winepulse.drv,wineoss.drv=" \
  SDL12COMPAT_WINDOW_SCALING=2 start_demo "$pkg"
win=$(wait_window)
read -r w h < <(xwininfo -id "$win" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}')
[[ "$w x $h" == "640 x 480" ]] || fail "SDL12COMPAT_WINDOW_SCALING=2: the window is $w x $h"
[[ "$(part_of "$(shot "$win" silent)")" == 1 ]] || fail "no sound device: part 1 does not show"
tap Escape 0.2
wait_exit 10
[[ "$exit_status" == 1 ]] || fail "no sound device: exit status $exit_status"
grep -q 'Could not' "$work/stderr.txt" && fail "no sound device: $(cat "$work/stderr.txt")"
echo "demo-window.exe: without a sound device it runs silently in a 640 x 480 window (scale 2 asked), Esc ends it with status 1"

echo "Windows tests: passed in $(($(date +%s) - began)) s" >&2
