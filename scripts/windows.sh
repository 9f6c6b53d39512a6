#!/usr/bin/env bash
# Builds the intro for 64-bit Windows and packs it: dist/kapu4417-VERSION-win64.zip with
# demo.exe (full screen), demo-window.exe, demo-render.exe, SDL.dll, the pictures and the tune
# beside them, and README.txt. Installs what is missing (scripts/setup.sh --windows);
# cross-builds with Debian's MinGW-w64. SDL 1.2 (the classic library) and libmikmod are built
# for Windows from Debian's source packages once, into build-win/deps/ (about three minutes),
# then the programs into build-win/.
#   --no-zip     build only, do not write the zip
#   --dist DIR   write the zip into DIR instead of dist/
# KAPU_WIN_BUILD names another build folder.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KAPU_WIN_BUILD:-$root/build-win}
zip=1
dist=$root/dist
while (($#)); do
  case $1 in
    --no-zip) zip=0 ;;
    --dist) dist=${2:?--dist takes a folder}; shift ;;
    -h | --help) sed -n '2,10s/^# \{0,1\}//p' "$0"; exit 0 ;;
    *) echo "windows.sh: unknown argument $1 (see --help)" >&2; exit 2 ;;
  esac
  shift
done

"$root/scripts/setup.sh" --windows
jobs=$(nproc)
sudo=()
((EUID == 0)) || sudo=(sudo)
# shellcheck source=scripts/debian-source.sh
source "$root/scripts/debian-source.sh"

triple=x86_64-w64-mingw32
deps=$build/deps
prefix=$deps/prefix
toolchain=$root/packaging/windows/toolchain.cmake

# Classic SDL 1.2 with its windib video and waveout/DirectSound audio, as a DLL (the programs
# import only SDL.dll and Windows' own libraries). DirectX headers are not needed for windib.
build_sdl() {
  [[ -f $prefix/bin/SDL.dll && -f $prefix/lib/libSDL.dll.a ]] && return
  echo "windows.sh: building SDL 1.2 for Windows from Debian's source package (libsdl1.2)" >&2
  debian_source libsdl1.2 "$deps/sdl-src"
  (cd "$deps/sdl-src" &&
    ./configure --host=$triple --prefix="$prefix" --disable-directx --disable-static \
      --enable-shared CC=$triple-gcc-posix >"$deps/sdl-configure.log" 2>&1 &&
    make -j "$jobs" >"$deps/sdl-make.log" 2>&1 && make install >"$deps/sdl-install.log" 2>&1) ||
    { echo "windows.sh: SDL 1.2 did not build (logs in $deps/)" >&2; exit 1; }
}

# libmikmod with its Windows outputs (DirectSound, WinMM), static; no files written beside
# the program, no pipes, no documentation (it would need makeinfo). Its player draws random
# waveforms from random() where the C library has srandom(), as glibc does, and scales rand()
# by RAND_MAX elsewhere: told that it is there, it calls the glibc-compatible random() the
# programs link (util/glibc_rand.cpp), so it draws what it draws on Linux, from the state the
# starfield shares.
build_mikmod() {
  [[ -f $prefix/lib/libmikmod.a && -f $prefix/include/mikmod.h ]] && return
  echo "windows.sh: building libmikmod for Windows from Debian's source package" >&2
  debian_source libmikmod "$deps/mikmod-src"
  echo 'long random(void);  /* util/glibc_rand.cpp */' >"$deps/random.h"
  cmake -S "$deps/mikmod-src" -B "$deps/mikmod-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -Wno-dev \
    -DCMAKE_C_FLAGS="-DHAVE_SRANDOM=1 -include $deps/random.h" \
    -DENABLE_DSOUND=ON -DENABLE_MMSOUND=ON -DENABLE_XAUDIO2=OFF -DENABLE_SDL=OFF \
    -DENABLE_STATIC=ON -DENABLE_SHARED=OFF -DENABLE_STDOUT=OFF -DENABLE_PIPE=OFF \
    -DENABLE_AIFF=OFF -DENABLE_SIMD=OFF -DENABLE_DOC=OFF >"$deps/mikmod-configure.log" 2>&1 ||
    { echo "windows.sh: libmikmod did not configure (see $deps/mikmod-configure.log)" >&2; exit 1; }
  grep -q '^#define DRV_DS 1' "$deps/mikmod-build/config.h" ||
    { echo "windows.sh: libmikmod was configured without DirectSound (see $deps/mikmod-configure.log)" >&2; exit 1; }
  cmake --build "$deps/mikmod-build" -j "$jobs" --target mikmod-static >"$deps/mikmod-make.log" 2>&1 ||
    { echo "windows.sh: libmikmod did not build (see $deps/mikmod-make.log)" >&2; exit 1; }
  mkdir -p "$prefix/lib" "$prefix/include"
  cp "$deps/mikmod-build/libmikmod.a" "$prefix/lib/"
  cp "$deps/mikmod-src/include/mikmod.h" "$prefix/include/"
}

mkdir -p "$deps"
build_sdl
build_mikmod

# The .pc files the build reads (packaging/windows/windows.cmake): SDL's headers, without the
# SDLmain and GUI-subsystem flags of SDL's own file (the programs keep their console and their
# own main; windows.cmake links the DLL's import library); libmikmod static, with the Windows
# libraries it calls.
mkdir -p "$prefix/lib/pkgconfig"
cat >"$prefix/lib/pkgconfig/sdl.pc" <<PC
Name: sdl
Description: SDL 1.2 for Windows (SDL.dll)
Version: 1.2.15
Cflags: -I$prefix/include/SDL -D_GNU_SOURCE=1
Libs:
PC
cat >"$prefix/lib/pkgconfig/libmikmod.pc" <<PC
Name: libmikmod
Description: libmikmod for Windows, static
Version: 3.3.11.1
Cflags: -I$prefix/include -DMIKMOD_STATIC
Libs: -L$prefix/lib -lmikmod -ldsound -lwinmm
PC

cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DKAPU_WIN_PREFIX="$prefix" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DKAPU_WERROR=ON >"$build/configure.log" ||
  { cat "$build/configure.log" >&2; exit 1; }
cmake --build "$build" -j "$jobs" --target demo demo-window demo-render
cp -p "$prefix/bin/SDL.dll" "$build/"  # beside the programs, where Windows looks for it
echo "windows.sh: the programs are in $build/" >&2
((zip)) || exit 0

# The zip: the programs and SDL.dll stripped of their symbols, the pictures and the tune beside
# them (the programs read them from the folder they are started in, which is theirs when
# started from Explorer), and README.txt.
version=$(sed -n '1s/^kapu4417 (\([^)]*\)).*/\1/p' "$root/debian/changelog")
name=kapu4417-$version-win64
stage=$(mktemp -d "${TMPDIR:-/tmp}/kapu-win-XXXXXX")
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/$name"
for file in "$build"/demo.exe "$build"/demo-window.exe "$build"/demo-render.exe "$prefix/bin/SDL.dll"; do
  $triple-strip -o "$stage/$name/$(basename "$file")" "$file"
done
cp "$root"/data/*.ppm "$root"/data/*.pbm "$root"/data/*.xm "$stage/$name/"
sed "s/@VERSION@/$version/g" "$root/packaging/windows/README.txt.in" | sed 's/$/\r/' >"$stage/$name/README.txt"
mkdir -p "$dist"
dist=$(cd "$dist" && pwd)
rm -f "$dist/$name.zip"
(cd "$stage" && zip -q -9 -X -r "$dist/$name.zip" "$name")
echo "windows.sh: wrote $dist/$name.zip ($(du -k "$dist/$name.zip" | cut -f1) KiB)" >&2
