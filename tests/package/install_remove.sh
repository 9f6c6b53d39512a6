#!/usr/bin/env bash
# The Debian package as a user gets it: built and checked by scripts/package.sh (which also
# regenerates the data from tools/ and compares it with data/), resolved by apt on a system
# without SDL, installed by dpkg into a scratch root (its own database, so the machine's packages
# are untouched); both intro launchers started from there show the intro in a window tied to the
# menu entry and end with status 1 on Esc, kapu4417-render makes the build's frames from an
# empty folder, and dpkg's purge leaves nothing of the package behind. Expects SOURCE (the source
# tree), OUT (a folder for the package) and RENDER (the build's demo-render); DEB=FILE tests that
# package instead of building one.
source "$SOURCE/tests/e2e/lib.sh"
e2e_display

if [[ -n "${DEB:-}" ]]; then
    debs=("$DEB")
else
    rm -f "$OUT"/kapu4417_*.deb
    "$SOURCE/scripts/package.sh" "$OUT" || fail "scripts/package.sh failed"
    debs=("$OUT"/kapu4417_*.deb)
fi
((${#debs[@]} == 1)) || fail "expected one package in $OUT, found: ${debs[*]}"
deb=${debs[0]}

# On a system without SDL, apt resolves the dependencies with SDL 1.2's compatibility layer and
# never classic SDL 1.2 (simulated: an empty package status, the machine's package lists).
: >"$work/empty-status"
apt-get -s -o Dir::State::status="$work/empty-status" install "$deb" >"$work/apt.txt" 2>&1 ||
    { cat "$work/apt.txt" >&2; fail "apt-get cannot resolve the package's dependencies (no package lists? apt-get update)"; }
grep -q '^Inst libsdl1\.2-compat-shim ' "$work/apt.txt" || fail "apt does not pick libsdl1.2-compat-shim"
! grep -q '^Inst libsdl1\.2debian ' "$work/apt.txt" || fail "apt picks classic SDL 1.2 (libsdl1.2debian)"
echo "apt on a system without SDL: $(grep -c '^Inst ' "$work/apt.txt") packages, with libsdl1.2-compat-shim"

root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
# The libraries it depends on are the machine's, which this database does not list.
in_root=(dpkg --root="$root" --force-not-root --force-depends)
"${in_root[@]}" -i "$deb" >"$work/dpkg.txt" 2>&1 || { cat "$work/dpkg.txt" >&2; fail "dpkg -i"; }
mapfile -t listed < <("${in_root[@]}" -L kapu4417)
((${#listed[@]} > 20)) || fail "dpkg -L lists only ${#listed[@]} paths"

for f in usr/games/kapu4417 usr/games/kapu4417-window usr/games/kapu4417-render \
         usr/lib/games/kapu4417/demo usr/lib/games/kapu4417/demo-window \
         usr/lib/games/kapu4417/demo-render; do
    [[ -x "$root/$f" ]] || fail "/$f is not installed as a program"
done
check_installed_data "$SOURCE/data" "$root/usr/share/games/kapu4417"
# The menu entry starts the windowed launcher by its whole path (the menu's PATH need not hold
# /usr/games), its one action the full-screen one, and names an icon that exists at every size,
# each picture as large as its folder says.
desktop=$(echo "$root"/usr/share/applications/*.desktop)
mapfile -t execs < <(sed -n 's/^Exec=//p' "$desktop")
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
[[ "${execs[*]}" == "/usr/games/kapu4417-window /usr/games/kapu4417" ]] || fail "Exec= ${execs[*]}"
for exec_path in "${execs[@]}"; do [[ -x "$root$exec_path" ]] || fail "Exec=$exec_path is not installed"; done
grep -qx 'Actions=fullscreen;' "$desktop" || fail "no full-screen action"
for size in 16 32 48 64 128 256; do
    icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon_name.png"
    [[ -f "$icon" ]] || fail "no ${size}x${size} icon $icon_name"
    # Not opaque: the rounded corners are transparent.
    seen=$(identify -format '%m %wx%h opaque %[opaque]' "$icon")
    [[ "${seen,,}" == "png ${size}x${size} opaque false" ]] ||
        fail "$icon is $(identify -format '%m %wx%h opaque %[opaque]' "$icon")"
done
for page in kapu4417 kapu4417-window kapu4417-render; do
    [[ -s "$root/usr/share/man/man6/$page.6.gz" ]] || fail "no manual page $page(6)"
done
zcat "$root/usr/share/man/man6/kapu4417.6.gz" | grep -q '^\.SH SEE ALSO' || fail "the manual page has no SEE ALSO"
# The README for users, not the developers': how to start it, the keys, kapu4417-render, the
# settings of the compatibility layer; no source-tree scripts.
readme="$root/usr/share/doc/kapu4417/README"
[[ -s "$readme" ]] || fail "no /usr/share/doc/kapu4417/README"
for word in kapu4417-window Esc "kapu4417-render --video" SDL12COMPAT_WINDOW_SCALING libsdl1.2-compat; do
    grep -qF -- "$word" "$readme" || fail "the README does not mention $word"
done
! grep -q 'scripts/' "$readme" || fail "the README names the source tree's scripts"
echo "installed into a scratch root: ${#listed[@]} paths"

check_launchers "$root/usr/games" "$SOURCE/data" "$desktop"
check_render_launcher "$root/usr/games" "$SOURCE/data"

"${in_root[@]}" --purge kapu4417 >"$work/dpkg.txt" 2>&1 || { cat "$work/dpkg.txt" >&2; fail "dpkg --purge"; }
for path in "${listed[@]}"; do
    [[ "$path" == /. || ! -e "$root$path" && ! -L "$root$path" ]] || fail "$path is left after the purge"
done
left=$(find "$root" -mindepth 1 -not -path "$root/var" -not -path "$root/var/lib" \
    -not -path "$root/var/lib/dpkg" -not -path "$root/var/lib/dpkg/*")
[[ -z "$left" ]] || fail "left after the purge: $left"
"${in_root[@]}" -s kapu4417 >/dev/null 2>&1 && fail "dpkg still knows kapu4417 after the purge"
echo "purged: nothing of the package is left"
