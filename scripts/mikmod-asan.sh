#!/usr/bin/env bash
# Builds libmikmod with AddressSanitizer from Debian's source package of the installed version,
# so that a read outside memory inside the library's loader or mixer is reported. Two kinds:
#
#   scripts/mikmod-asan.sh sanitize   for the sanitizer build of the tests (scripts/test.sh):
#                                     the system's C compiler, as the project's build uses it
#   scripts/mikmod-asan.sh fuzz       for the tune fuzzer (scripts/fuzz-tune.sh): clang, with
#                                     libFuzzer's coverage
#
# Prints the folder that then holds libmikmod.a and mikmod.h (build-mikmod/<kind>/out). The
# source (build-mikmod/src) is fetched once; the library is rebuilt only when missing.
# The static library alone: no threads, no dynamic loading, no output driver but the library's
# own nosound (every user brings its own driver). This version's CMake always defines the shared
# library too; only the static one is built.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
kind=${1:?usage: mikmod-asan.sh sanitize|fuzz}
base="$root/build-mikmod"
sudo=()
((EUID == 0)) || sudo=(sudo)

case $kind in
  sanitize) cc=${CC:-cc} flags="-g -O1 -fno-omit-frame-pointer -fsanitize=address" ;;
  fuzz) cc=clang flags="-g -O1 -fno-omit-frame-pointer -fsanitize=address,fuzzer-no-link" ;;
  *) echo "mikmod-asan.sh: unknown kind '$kind' (sanitize or fuzz)" >&2; exit 2 ;;
esac
out="$base/$kind/out"
if [[ -f $out/libmikmod.a && -f $out/mikmod.h ]]; then
  echo "$out"
  exit 0
fi

# apt-get source unpacks the package with dpkg-source.
if ! command -v dpkg-source >/dev/null 2>&1; then
  "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends dpkg-dev >&2
fi

# The source of exactly the installed libmikmod. Debian's source archive needs a deb-src entry:
# a copy of the first deb stanza of debian.sources (or of the deb lines of sources.list), added
# once.
version=$(dpkg-query -W -f='${Version}' libmikmod3)
src="$base/src/libmikmod-${version%-*}"
if [[ ! -f $src/CMakeLists.txt ]]; then
  stanzas=/etc/apt/sources.list.d/debian.sources
  if [[ -f $stanzas ]]; then
    if ! grep -q '^Types:.*deb-src' "$stanzas"; then
      awk -v RS= '!done && /(^|\n)Types: deb(\n|$)/ { sub(/Types: deb/, "Types: deb-src"); printf "\n%s\n", $0; done = 1 }' \
        "$stanzas" | "${sudo[@]}" tee -a "$stanzas" >/dev/null
    fi
  elif ! grep -qs '^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | "${sudo[@]}" tee /etc/apt/sources.list.d/kapu-deb-src.list >/dev/null
  fi
  "${sudo[@]}" apt-get update -qq >&2
  mkdir -p "$base/src"
  (cd "$base/src" && apt-get source -qq "libmikmod=$version" >&2)
fi

cmake -Wno-dev -Wno-deprecated -S "$src" -B "$base/$kind/build" "-DCMAKE_C_COMPILER=$cc" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_C_FLAGS=$flags" -DENABLE_STATIC=1 -DENABLE_THREADS=0 \
  -DENABLE_DL=0 -DENABLE_ALSA=0 -DENABLE_OSS=0 -DENABLE_PULSE=0 -DENABLE_SDL=0 -DENABLE_OPENAL=0 \
  -DENABLE_SNDIO=0 -DENABLE_ESD=0 -DENABLE_NAS=0 -DENABLE_STDOUT=0 -DENABLE_PIPE=0 \
  -DENABLE_AIFF=0 -DENABLE_WAV=0 -DENABLE_RAW=0 >&2
cmake --build "$base/$kind/build" -j "$(nproc)" --target mikmod-static >&2
mkdir -p "$out"
cp "$base/$kind/build/libmikmod.a" "$src/include/mikmod.h" "$out/"
echo "$out"
