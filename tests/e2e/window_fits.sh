#!/usr/bin/env bash
# demo-window opens at the largest scale up to three at which it fits the desktop beside the
# panel: on virtual displays of three sizes, each with a window manager and its taskbar, the
# window is 320 x 240 times that scale and lies, title bar and borders included, wholly inside
# the work area. SDL12COMPAT_WINDOW_SCALING set by the user still wins.
source "$(dirname "$0")/lib.sh"
command -v icewm >/dev/null || fail "no window manager: icewm is missing (scripts/setup.sh installs it)"

# check_case SIZE SCALE [SDL12COMPAT_WINDOW_SCALING], each on a display of its own.
check_case() {
    local size=$1 scale=$2 forced=${3:-}
    e2e_display "$size"
    # The window manager's taskbar takes the bottom rows; it publishes what is left as the work area.
    icewm >"$work/wm.txt" 2>&1 &
    wm_pid=$!
    for _ in $(seq 600); do
        area=$(xprop -root _NET_WORKAREA 2>/dev/null | sed -n 's/.*= //p' | cut -d, -f1-4 | tr -d ' ')
        [[ -n "$area" ]] && break
        sleep 0.1
    done
    [[ -n "$area" ]] || fail "$size: the window manager published no work area: $(cat "$work/wm.txt")"
    IFS=, read -r ax ay aw ah <<<"$area"

    if [[ -n "$forced" ]]; then export SDL12COMPAT_WINDOW_SCALING=$forced; else unset SDL12COMPAT_WINDOW_SCALING; fi
    start_demo "$DATA"
    win=$(wait_window)
    sleep 0.5  # the window manager has framed and placed it
    read -r x y w h < <(xwininfo -id "$win" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4}
                                                   /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}')
    # The frame's left, right, top (title bar) and bottom widths around the window.
    IFS=, read -r fl fr ft fb < <(xprop -id "$win" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ' ')
    : "${fl:=0}" "${fr:=0}" "${ft:=0}" "${fb:=0}"
    echo "$size (work area ${aw} x ${ah} at ${ax},${ay})${forced:+, SDL12COMPAT_WINDOW_SCALING=$forced}:" \
         "window $w x $h at $x,$y, frame $fl $fr $ft $fb"
    [[ "$w x $h" == "$((320 * scale)) x $((240 * scale))" ]] ||
        fail "$size: window is $w x $h, not 320 x 240 scaled $scale times"
    ((x - fl >= ax && y - ft >= ay && x + w + fr <= ax + aw && y + h + fb <= ay + ah)) ||
        fail "$size: the framed window reaches outside the work area"
    [[ "$(part_of "$(shot "$win" part1)")" == 1 ]] || fail "$size: part 1 does not show"

    quit_with_escape
    [[ "$exit_status" == 1 ]] || fail "$size: exit status $exit_status"
    kill "$wm_pid" 2>/dev/null || true
    wait "$wm_pid" 2>/dev/null || true
    wm_pid=
    e2e_display_stop
}

wm_pid=
# The window manager may have ended already: its kill may fail, and cleanup must still run.
trap '[[ -z "$wm_pid" ]] || kill "$wm_pid" 2>/dev/null || true; cleanup' EXIT
for case in "1024x768 2" "1366x768 2" "1920x1080 3" "1920x1080 1 1"; do
    # shellcheck disable=SC2086  # the case's words are the arguments
    check_case $case
done
