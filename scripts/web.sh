#!/usr/bin/env bash
# Builds the intro for web browsers and serves it on http://127.0.0.1:8000/ for a person to watch
# (Ctrl-C stops the server). Installs what is missing (scripts/setup.sh --web), builds libmikmod
# for WebAssembly from Debian's source package once (build-web/mikmod/, about a minute), then
# the page into build-web/site/: index.html, page.js, style.css, kapu.js, kapu.wasm, kapu.data.
# Any static server, or a subfolder of one, serves that folder as it is.
#   --build-only   build, do not serve
#   --port N       serve on port N instead of 8000
# KAPU_WEB_BUILD names another build folder.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KAPU_WEB_BUILD:-$root/build-web}
serve=1
port=8000
while (($#)); do
  case $1 in
    --build-only) serve=0 ;;
    --port) port=${2:?--port takes a number}; shift ;;
    -h | --help) sed -n '2,9s/^# \{0,1\}//p' "$0"; exit 0 ;;
    *) echo "web.sh: unknown argument $1 (see --help)" >&2; exit 2 ;;
  esac
  shift
done

"$root/scripts/setup.sh" --web
# Debian's emscripten finds the JavaScript modules it runs under node (acorn) only here.
export NODE_PATH=/usr/share/nodejs
jobs=$(nproc)
sudo=()
((EUID == 0)) || sudo=(sudo)

# shellcheck source=scripts/debian-source.sh
source "$root/scripts/debian-source.sh"

# libmikmod for WebAssembly, with its SDL driver over the browser's SDL: Debian's source and
# patches, built as a static library. Kept in the build folder; built again only when missing.
build_mikmod() {
  local mikmod=$build/mikmod
  [[ -f $mikmod/lib/libmikmod.a && -f $mikmod/include/mikmod.h ]] && return
  echo "web.sh: building libmikmod for WebAssembly from Debian's source package" >&2
  rm -rf "$mikmod" && mkdir -p "$mikmod/lib" "$mikmod/include"
  debian_source libmikmod "$mikmod/src"
  local sysroot
  sysroot=$(em-config CACHE)/sysroot
  # Only what the intro uses: the SDL driver (and the library's own no-sound and file drivers);
  # no system audio, threads, pipes or shared library.
  emcmake cmake -S "$mikmod/src" -B "$mikmod/build" -DCMAKE_BUILD_TYPE=Release -Wno-dev \
    -DENABLE_SDL=1 -DSDL_LIBRARY=SDL -DSDL_INCLUDE_DIR="$sysroot/include/SDL" \
    -DENABLE_ALSA=0 -DENABLE_OSS=0 -DENABLE_PULSE=0 -DENABLE_DL=0 \
    -DENABLE_THREADS=0 -DENABLE_STDOUT=0 -DENABLE_PIPE=0 -DENABLE_AIFF=0 >"$mikmod/configure.log"
  grep -q '^#define DRV_SDL 1' "$mikmod/build/config.h" ||
    { echo "web.sh: libmikmod was configured without its SDL driver (see $mikmod/configure.log)" >&2; exit 1; }
  emmake make -s -C "$mikmod/build" -j "$jobs" mikmod-static >"$mikmod/make.log"
  cp "$mikmod/build/libmikmod.a" "$mikmod/lib/"
  cp "$mikmod/src/include/mikmod.h" "$mikmod/include/"
}

build_mikmod
emcmake cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKAPU_WERROR=OFF \
  -DKAPU_PROGRAMS=OFF -DBUILD_TESTING=OFF -DKAPU_WEB_MIKMOD="$build/mikmod" >/dev/null
cmake --build "$build" -j "$jobs" --target kapu_web kapu_web_unit_tests
echo "web.sh: the page is in $build/site/" >&2

((serve)) || exit 0
echo "web.sh: serving on http://127.0.0.1:$port/ (Ctrl-C stops)" >&2
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$build/site"
