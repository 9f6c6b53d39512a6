#!/usr/bin/env bash
# `cmake --install` puts both programs, their data and a launcher for each in the prefix; a
# launcher started from any folder runs its program in the installed data folder.
source "$(dirname "$0")/lib.sh"
e2e_display "$@"

prefix="$work/prefix"
cmake --install "$BUILD" --prefix "$prefix" >/dev/null
for f in bin/kapu4417 bin/kapu4417-window libexec/kapu4417/demo libexec/kapu4417/demo-window; do
    [[ -x "$prefix/$f" ]] || fail "$f is not installed as a program"
done
for f in K.ppm A.ppm P.ppm U.ppm 7163.ppm vemla.ppm logotype0.ppm logotype1.ppm logotype2.ppm \
         font1526.pbm quenFalox.xm; do
    cmp -s "$DATA/$f" "$prefix/share/kapu4417/$f" || fail "share/kapu4417/$f differs or is missing"
done

# The installation can move: the launchers find their folders from their own place.
mv "$prefix" "$work/moved"
prefix="$work/moved"
for launcher in kapu4417-window kapu4417; do
    DEMO="$prefix/bin/$launcher"
    start_demo /
    win=$(wait_window)
    sleep 1
    # Full screen needs a window manager to take the whole display; the display here has none,
    # so only the window's picture is checked.
    if [[ "$launcher" == kapu4417-window ]]; then
        [[ "$(part_of "$(shot "$win" "$launcher")")" == 1 ]] || fail "$launcher: part 1 does not show"
    fi
    tap Escape 0.2
    wait_exit 6
    [[ "$exit_status" == 1 ]] || fail "$launcher: exit status $exit_status"
    [[ ! -s "$work/stderr.txt" ]] || fail "$launcher: $(cat "$work/stderr.txt")"
    echo "$launcher: started from / on the installed data, Esc ends with 1"
done
