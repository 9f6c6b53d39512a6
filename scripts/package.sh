#!/usr/bin/env bash
# Builds the Debian package kapu4417_VERSION_ARCH.deb with debhelper (debian/) from a clean copy
# of the sources, then checks it: lintian reports nothing at any level (pedantic and
# experimental tags included; overrides each give their reason), desktop-file-validate passes
# the menu entry, appstreamcli the metainfo (addresses included: it has none while the homepage
# is a placeholder), and man renders the manual page without a complaint. Only a package that
# passes every check is written. The build itself regenerates data/ with tools/ and stops when
# the result differs (debian/rules).
#
#   scripts/package.sh [--source TARBALL] [OUTPUT_DIR]
#
# OUTPUT_DIR (default build-package/) receives the .deb. The sources are the working tree's
# files (those git tracks and new ones it does not ignore), or with --source the files of a
# source tarball (as scripts/release.sh makes). Progress goes to standard error.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

source_tarball=
out=
while (($#)); do
    case "$1" in
        --source) source_tarball=$(realpath "$2"); shift 2 ;;
        -h|--help) sed -n '2,11p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'; exit 0 ;;
        -*) echo "package: unknown option $1" >&2; exit 2 ;;
        *) out=$1; shift ;;
    esac
done
out=${out:-$root/build-package}

say() { echo "package: $*" >&2; }
die() { echo "package: error: $*" >&2; exit 1; }

"$root/scripts/setup.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/kapu-package-XXXXXX")
trap 'rm -rf "$work"' EXIT

# A clean copy of the sources: nothing of a build folder can reach the package.
version=$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)
src="$work/kapu4417-$version"
mkdir "$src"
if [[ -n "$source_tarball" ]]; then
    say "unpacking $(basename "$source_tarball")"
    tar -xzf "$source_tarball" -C "$src" --strip-components=1
    version=$(dpkg-parsechangelog -l "$src/debian/changelog" -S Version)
elif git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    say "copying the working tree's sources"
    (cd "$root" && git ls-files -z --cached --others --exclude-standard |
        while IFS= read -r -d '' f; do [[ -e "$f" || -L "$f" ]] && printf '%s\0' "$f"; done |
        tar --null -T - -cf -) | tar -C "$src" -xf -
else
    say "copying the source tree"
    tar -C "$root" --exclude='./build*' --exclude=./dist --exclude='./.dist-*' -cf - . | tar -C "$src" -xf -
fi

say "building kapu4417 $version (dpkg-buildpackage; log in the output folder on failure)"
if ! (cd "$src" && DEB_BUILD_OPTIONS="noddebs parallel=$(nproc) ${DEB_BUILD_OPTIONS:-}" \
        dpkg-buildpackage -F -us -uc) >"$work/build.log" 2>&1; then
    mkdir -p "$out"
    cp "$work/build.log" "$out/package-build.log"
    tail -n 30 "$work/build.log" >&2
    die "dpkg-buildpackage failed; the whole log is $out/package-build.log"
fi
arch=$(dpkg-architecture -q DEB_HOST_ARCH)
deb="$work/kapu4417_${version}_${arch}.deb"
changes="$work/kapu4417_${version}_${arch}.changes"
[[ -f "$deb" ]] || die "dpkg-buildpackage wrote no $(basename "$deb")"

say "lintian"
# Every tag fails, down to the pedantic and experimental ones. Overrides, each with its reason,
# are in debian/*.lintian-overrides and debian/source/lintian-overrides (not shown: lintian
# counts a shown override as a tag).
lintian_status=0
lintian --fail-on error,warning,info,pedantic,experimental --info --display-info --pedantic \
    --display-experimental "$changes" \
    >"$work/lintian.raw" 2>&1 || lintian_status=$?
# Its remark about running as root (as CI does) is left out.
grep -v '^running with root privileges' "$work/lintian.raw" >"$work/lintian.txt" || true
if ((lintian_status)); then
    cat "$work/lintian.txt" >&2
    die "lintian reports tags"
fi
if [[ -s "$work/lintian.txt" ]]; then sed 's/^/  /' "$work/lintian.txt" >&2; else say "  lintian: nothing to report"; fi

say "desktop-file-validate, appstreamcli validate, man"
files="$work/files"
dpkg-deb -x "$deb" "$files"
for desktop in "$files"/usr/share/applications/*.desktop; do
    desktop-file-validate "$desktop" >&2 || die "desktop-file-validate: $(basename "$desktop")"
done
for meta in "$files"/usr/share/metainfo/*.xml; do
    appstreamcli validate --pedantic "$meta" >"$work/appstream.txt" 2>&1 ||
        { cat "$work/appstream.txt" >&2; die "appstreamcli: $(basename "$meta")"; }
done
for page in "$files"/usr/share/man/man6/*.6.gz; do
    [[ -e "$page" ]] || die "$(basename "$page") points to no page"
    LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" \
        >/dev/null 2>"$work/man.txt" || die "man could not render $(basename "$page")"
    [[ ! -s "$work/man.txt" ]] || { cat "$work/man.txt" >&2; die "man complains about $(basename "$page")"; }
done

mkdir -p "$out"
cp "$deb" "$out/"
say "$out/$(basename "$deb"): $(du -k "$deb" | cut -f1) KiB"
