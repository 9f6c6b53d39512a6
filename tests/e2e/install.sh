#!/usr/bin/env bash
# `cmake --install` puts the programs, demo-render, their data and a launcher for each in the
# prefix; a launcher started from any folder runs its program on the installed data.
source "$(dirname "$0")/lib.sh"
e2e_display

prefix="$work/prefix"
cmake --install "$BUILD" --prefix "$prefix" >/dev/null
for f in bin/kapu4417 bin/kapu4417-window bin/kapu4417-render libexec/kapu4417/demo \
         libexec/kapu4417/demo-window libexec/kapu4417/demo-render; do
    [[ -x "$prefix/$f" ]] || fail "$f is not installed as a program"
done
check_installed_data "$DATA" "$prefix/share/kapu4417"

# The installation can move: the launchers find their folders from their own place.
mv "$prefix" "$work/moved"
prefix="$work/moved"
check_launchers "$prefix/bin" "$DATA" "$(echo "$prefix"/share/applications/*.desktop)"
check_render_launcher "$prefix/bin" "$DATA"
