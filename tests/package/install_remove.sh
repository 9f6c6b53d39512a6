#!/usr/bin/env bash
# The Debian package as a user gets it: built and checked by scripts/package.sh, installed by
# dpkg into a scratch root (its own database, so the machine's packages are untouched), both
# launchers started from there show the intro and end with status 1 on Esc, and dpkg's removal
# leaves nothing of the package behind. Expects SOURCE (the source tree) and OUT (a folder for
# the package); DEB=FILE tests that package instead of building one.
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

root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
# The libraries it depends on are the machine's, which this database does not list.
in_root=(dpkg --root="$root" --force-not-root --force-depends)
"${in_root[@]}" -i "$deb" >"$work/dpkg.txt" 2>&1 || { cat "$work/dpkg.txt" >&2; fail "dpkg -i"; }
mapfile -t listed < <("${in_root[@]}" -L kapu4417)
((${#listed[@]} > 20)) || fail "dpkg -L lists only ${#listed[@]} paths"

for f in usr/games/kapu4417 usr/games/kapu4417-window usr/lib/games/kapu4417/demo \
         usr/lib/games/kapu4417/demo-window usr/lib/games/kapu4417/demo-render; do
    [[ -x "$root/$f" ]] || fail "/$f is not installed as a program"
done
check_installed_data "$SOURCE/data" "$root/usr/share/games/kapu4417"
# The menu entry starts an installed launcher and names an icon that exists at every size,
# each picture as large as its folder says.
desktop=$(echo "$root"/usr/share/applications/*.desktop)
exec_name=$(sed -n 's/^Exec=//p' "$desktop")
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
[[ "$exec_name" == kapu4417-window && -x "$root/usr/games/$exec_name" ]] || fail "Exec=$exec_name"
for size in 16 32 48 64 128 256; do
    icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon_name.png"
    [[ -f "$icon" ]] || fail "no ${size}x${size} icon $icon_name"
    # Not opaque: the rounded corners are transparent.
    seen=$(identify -format '%m %wx%h opaque %[opaque]' "$icon")
    [[ "${seen,,}" == "png ${size}x${size} opaque false" ]] ||
        fail "$icon is $(identify -format '%m %wx%h opaque %[opaque]' "$icon")"
done
for page in kapu4417 kapu4417-window demo-render; do
    [[ -s "$root/usr/share/man/man6/$page.6.gz" ]] || fail "no manual page $page(6)"
done
echo "installed into a scratch root: ${#listed[@]} paths"

check_launchers "$root/usr/games"

"${in_root[@]}" --purge kapu4417 >"$work/dpkg.txt" 2>&1 || { cat "$work/dpkg.txt" >&2; fail "dpkg --purge"; }
for path in "${listed[@]}"; do
    [[ "$path" == /. || ! -e "$root$path" && ! -L "$root$path" ]] || fail "$path is left after the purge"
done
left=$(find "$root" -mindepth 1 -not -path "$root/var" -not -path "$root/var/lib" \
    -not -path "$root/var/lib/dpkg" -not -path "$root/var/lib/dpkg/*")
[[ -z "$left" ]] || fail "left after the purge: $left"
"${in_root[@]}" -s kapu4417 >/dev/null 2>&1 && fail "dpkg still knows kapu4417 after the purge"
echo "purged: nothing of the package is left"
