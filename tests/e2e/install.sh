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
check_launchers "$prefix/bin"
