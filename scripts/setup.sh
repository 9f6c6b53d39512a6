#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, when any is missing.
# The one place where the project's system dependencies are listed.
set -euo pipefail

packages=(
  # build
  g++ cmake make pkg-config libgtest-dev libgmock-dev libbenchmark-dev
  # the programs (Xlib: the desktop's work area, which sizes the window)
  libsdl1.2-compat-dev libmikmod-dev libx11-dev
  # demo-render --video, probing its videos in the tests, and measuring the tune's loudness
  ffmpeg
  # end-to-end tests: a virtual display, a window manager, keys and screenshots
  xvfb xauth xdotool imagemagick x11-utils icewm
  # the icons' PNG files; the Debian package and its checks; the release (git archive)
  zlib1g-dev debhelper dpkg-dev lintian desktop-file-utils appstream man-db git
  # checking the tune with independent players and measuring its sound
  sox openmpt123 xmp
  # reliability: fuzzing with libFuzzer, sanitizers, memcheck, peak memory
  clang libclang-rt-14-dev valgrind time procps
)
# With --web also the web build and its browser tests (scripts/web.sh, tests/web/): emscripten,
# and Chromium to run the page in; npm too where node came without it.
if [[ "${1:-}" == --web ]]; then
  packages+=(emscripten chromium patch xz-utils)  # patch, xz: Debian's libmikmod source
  command -v npm >/dev/null || packages+=(npm)
fi
# With --windows also the Windows build and its tests under Wine (scripts/windows.sh,
# tests/windows/): MinGW-w64, Wine, and what unpacks and patches Debian's source packages.
if [[ "${1:-}" == --windows ]]; then
  packages+=(g++-mingw-w64-x86-64 mingw-w64-tools wine wine64 patch xz-utils zip unzip)
fi

missing=()
for p in "${packages[@]}"; do
  [[ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" == "install ok installed" ]] || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}" >&2
  sudo=()
  ((EUID == 0)) || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi
# The package test resolves the package's dependencies against apt's package lists, which a
# fresh machine may not have yet.
if ! apt-cache show libsdl1.2-compat-shim >/dev/null 2>&1; then
  echo "setup: reading the package lists (apt-get update)" >&2
  sudo=()
  ((EUID == 0)) || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
fi
