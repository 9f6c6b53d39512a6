#!/usr/bin/env bash
# Makes a release in dist/, from the commit checked out (HEAD):
#   kapu4417-VERSION.tar.gz           the sources (git archive)
#   kapu4417_VERSION_ARCH.deb         the Debian package, built from that tarball and checked
#   kapu4417-VERSION.mp4              one whole part cycle, 4001 frames: H.264 + AAC, 960 x 720,
#                                     its index first, so that it plays while it downloads
#   kapu4417-VERSION-partN.png        a picture of each part, as in the README
#   kapu4417-VERSION-web.tar.gz       the browser build (build-web/site/), when there is one
#   kapu4417-VERSION-win64.zip        the Windows build (scripts/windows.sh), when build-win/ has one
#   SHA256SUMS
# The video and the pictures are made by the package's own demo-render from its own data. Each
# step prints a line; everything is written into a temporary folder that replaces dist/ only when
# every step has succeeded, so a failure leaves dist/ as it was.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

steps=8
step=0
step_name=
started=$SECONDS
step() {
    step=$((step + 1))
    step_name=$1
    printf 'release: [%d/%d] %s (%d s)\n' "$step" "$steps" "$step_name" $((SECONDS - started)) >&2
}

stage=
work=
cleanup() {
    local status=$?
    [[ -n "$stage" ]] && rm -rf "$stage"
    [[ -n "$work" ]] && rm -rf "$work"
    if ((status != 0)); then
        echo "release: FAILED at step $step/$steps ($step_name), status $status; dist/ is unchanged" >&2
    fi
}
trap cleanup EXIT

step "checking the tools (scripts/setup.sh)"
"$root/scripts/setup.sh"
git rev-parse --verify -q HEAD >/dev/null || { echo "release: there is no commit to release" >&2; exit 1; }
if [[ -n "$(git status --porcelain --untracked-files=no)" ]]; then
    echo "release: note: uncommitted changes are left out; the release is made from HEAD ($(git rev-parse --short HEAD))" >&2
fi

stage=$(mktemp -d "$root/.dist-XXXXXX")
work=$(mktemp -d "${TMPDIR:-/tmp}/kapu-release-XXXXXX")
git show HEAD:debian/changelog >"$work/changelog"
version=$(dpkg-parsechangelog -l "$work/changelog" -S Version)
name="kapu4417-$version"

step "source tarball $name.tar.gz"
git archive --format=tar --prefix="$name/" HEAD | gzip -n -9 >"$stage/$name.tar.gz"

step "Debian package (scripts/package.sh)"
"$root/scripts/package.sh" --source "$stage/$name.tar.gz" "$stage"
debs=("$stage"/kapu4417_"$version"_*.deb)
[[ -f "${debs[0]}" ]] || { echo "release: the package was not written" >&2; exit 1; }
dpkg-deb -x "${debs[0]}" "$work/package"
render="$work/package/usr/lib/games/kapu4417/demo-render"
data="$work/package/usr/share/games/kapu4417"

step "video $name.mp4 (demo-render --video, 4001 frames, its index first)"
(cd "$data" && "$render" --no-progress --frames 4001 --scale 3 --video "$work/video.mp4" >/dev/null)
# The index (the moov atom) goes before the media data, so that a browser can start playing the
# video while it is still downloading it; the streams are copied as they are.
ffmpeg -nostdin -v error -i "$work/video.mp4" -map 0 -c copy -movflags +faststart "$stage/$name.mp4"
first=$(ffprobe -v trace "$stage/$name.mp4" 2>&1 | grep -oE -m1 "type:'(moov|mdat)' parent:'root'" || true)
[[ "$first" == "type:'moov' parent:'root'" ]] ||
    { echo "release: the index of $name.mp4 is not before its data ($first)" >&2; exit 1; }

step "screenshots (scripts/screenshots.sh)"
KAPU_DEMO_RENDER=$render KAPU_DATA=$data "$root/scripts/screenshots.sh" "$work/shots" >/dev/null
for part in 1 2 3; do
    mv "$work/shots/part$part.png" "$stage/$name-part$part.png"
done

if [[ -f "$root/build-web/site/index.html" ]]; then
    step "web bundle $name-web.tar.gz (scripts/web.sh --build-only)"
    "$root/scripts/web.sh" --build-only >"$work/web.log" 2>&1 || { cat "$work/web.log" >&2; exit 1; }
    tar -C "$root/build-web" --sort=name --owner=0 --group=0 --numeric-owner \
        --transform "s,^site,$name-web," -cf - site | gzip -n -9 >"$stage/$name-web.tar.gz"
else
    step "web bundle: skipped, there is no browser build (./scripts/web.sh --build-only makes one)"
fi

if [[ -f "$root/build-win/demo-window.exe" ]]; then
    step "Windows zip $name-win64.zip (scripts/windows.sh)"
    "$root/scripts/windows.sh" --dist "$stage" >"$work/windows.log" 2>&1 || { cat "$work/windows.log" >&2; exit 1; }
else
    step "Windows zip: skipped, there is no Windows build (./scripts/windows.sh makes one)"
fi

step "SHA256SUMS"
(cd "$stage" && sha256sum -- * >SHA256SUMS.new && mv SHA256SUMS.new SHA256SUMS)

# Into place: the old dist/ goes only once the new one is complete.
chmod 755 "$stage"
rm -rf "$root/.dist-old"
[[ -e "$root/dist" ]] && mv "$root/dist" "$root/.dist-old"
mv "$stage" "$root/dist"
stage=
rm -rf "$root/.dist-old"
echo "release: dist/ written in $((SECONDS - started)) s:" >&2
(cd "$root/dist" && ls -l --time-style=+ -- * | awk '{printf "  %10d  %s\n", $5, $NF}') >&2
