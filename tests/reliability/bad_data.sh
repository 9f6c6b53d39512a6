#!/usr/bin/env bash
# Damages one data file in every way on the list, each in a fresh copy of the data folder, and
# runs the programs there. Every case must end as the programs promise, never in a crash, a
# hang or a sanitizer report:
#   - a required picture: exit status 1 and a message on standard error naming the file and
#     the folder (demo-render and demo-window alike), also when the picture is replaced by a
#     FIFO, a link to /dev/zero or a directory, which are not read at all;
#   - the glyph sheet: the demo runs on with an empty scroller (the frames of part 2 equal those
#     drawn with a blank sheet) and the same echo on standard output;
#   - the tune: the demo runs on in silence, with exactly one "Error loading: " line.
#
#   bad_data.sh FILE DEMO_RENDER DEMO_WINDOW|- DATA_DIR
set -uo pipefail
file=$1 render=$2 window=$3 data=$4
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kapu-bad-data.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
failures=0
sanitizer_re='(Address|Leak|UndefinedBehavior)Sanitizer|runtime error:'
# How long demo-window must keep running on a damage it survives; it is ended then, with
# SIGTERM, and killed if its shutdown (the fade-out, a sanitizer's exit checks) takes longer
# than the grace. Only whether it was running at the deadline counts, so the verdict does not
# depend on how fast the shutdown runs on a busy machine.
alive_seconds=${KAPU_ALIVE_SECONDS:-3}
stop_grace=${KAPU_STOP_GRACE:-30}

case $file in
  *.xm) kind=tune ;;
  font1526.pbm) kind=sheet ;;
  *) kind=picture ;;
esac

# A Netpbm header of the file's own kind announcing W x H, with a few sample bytes after it.
pnm_header() {
  if [[ $file == *.pbm ]]; then printf 'P4\n%s %s\n' "$1" "$2"; else printf 'P6\n%s %s\n255\n' "$1" "$2"; fi
  head -c 64 /dev/zero
}

# Little-endian 16-bit fields of the tune's header: 64 song length, 68 channels, 70 patterns.
patch_tune() {
  printf "$2" | dd of="$3" bs=1 seek="$1" conv=notrunc status=none
}

# Fills folder $2 with the data and damages the file as case $1 says.
make_case() {
  local name=$1 dir=$2 f size
  mkdir -p "$dir"
  cp "$data"/*.ppm "$data"/*.pbm "$data"/*.xm "$dir"/
  f="$dir/$file"
  size=$(stat -c %s "$f")
  case $name in
    missing) rm "$f" ;;
    empty) : >"$f" ;;
    half) head -c $((size / 2)) "$data/$file" >"$f" ;;
    one_byte_short) head -c $((size - 1)) "$data/$file" >"$f" ;;
    header_only) head -c 100 "$data/$file" >"$f" ;;
    wrong_kind) if [[ $kind == tune ]]; then cp "$data/K.ppm" "$f"; else cp "$data/quenFalox.xm" "$f"; fi ;;
    zero_size) pnm_header 0 0 >"$f" ;;
    zero_width) pnm_header 0 16 >"$f" ;;
    size_65535x65535) pnm_header 65535 65535 >"$f" ;;
    size_65536x65537) pnm_header 65536 65537 >"$f" ;;
    digits_overflow) pnm_header 99999999999999999999 2 >"$f" ;;
    # Not a regular file: a FIFO without a writer would block the open, /dev/zero never ends.
    fifo) rm "$f" && mkfifo "$f" ;;
    dev_zero) rm "$f" && ln -s /dev/zero "$f" ;;
    directory) rm "$f" && mkdir "$f" ;;
    zero_channels) patch_tune 68 '\0\0' "$f" ;;
    channels_65535) patch_tune 68 '\377\377' "$f" ;;
    patterns_65535) patch_tune 70 '\377\377' "$f" ;;
    no_positions) patch_tune 64 '\0\0' "$f" ;;
  esac
}

report() {  # case, program, verdict, detail
  printf '%-18s %-12s %-4s %s\n' "$1" "$2" "$3" "$4"
  [[ $3 == ok ]] || failures=$((failures + 1))
}

# Runs a program in the case folder with a time limit; sets rc, out and err (file names).
run_in() {
  local dir=$1 seconds=$2
  shift 2
  out="$dir/stdout.txt" err="$dir/stderr.txt"
  (cd "$dir" && timeout -k 5 "$seconds" "$@" >"$out" 2>"$err")
  rc=$?
}

# True while process $1 runs. Not kill -0: it also succeeds on a child that has ended but has
# not been waited for yet (a zombie), which would pass a program that died before the deadline.
running() {
  local state
  state=$(awk '/^State:/ { print $2 }' "/proc/$1/status" 2>/dev/null)
  [[ -n $state && $state != [ZX] ]]
}

# Runs demo-window in the case folder until the deadline; sets alive (1 if it was still running
# at the deadline, 0 if it had ended), rc (its exit status), out and err (file names).
run_window_to_deadline() {
  local dir=$1 pid tenths=0
  out="$dir/stdout.txt" err="$dir/stderr.txt"
  (cd "$dir" && exec "$window" >"$out" 2>"$err") &
  pid=$!
  sleep "$alive_seconds"
  alive=0
  if running "$pid"; then
    alive=1
    kill -TERM "$pid" 2>/dev/null  # it may end between the check and the signal
    while running "$pid" && ((tenths < stop_grace * 10)); do
      sleep 0.1
      tenths=$((tenths + 1))
    done
    running "$pid" && kill -KILL "$pid" 2>/dev/null
  fi
  wait "$pid"
  rc=$?
}

sanitizer_clean() { ! grep -qE "$sanitizer_re" "$err"; }

check_required() {  # case, dir
  local name=$1 dir=$2 prog
  for prog in "$render" "$window"; do
    [[ $prog == - ]] && continue
    local tag
    tag=$(basename "$prog")
    if [[ $tag == demo-render ]]; then run_in "$dir" 120 "$prog" -n 300 --no-progress
    else run_in "$dir" 60 "$prog"; fi
    if ! sanitizer_clean; then report "$name" "$tag" FAIL "sanitizer report: $(grep -m1 -E "$sanitizer_re" "$err")"
    elif ((rc != 1)); then report "$name" "$tag" FAIL "exit status $rc, expected 1"
    elif ! grep -qF "\"$file\"" "$err" || ! grep -qF "$dir" "$err"; then
      report "$name" "$tag" FAIL "no message naming $file and $dir: $(head -c 300 "$err")"
    else report "$name" "$tag" ok "exit 1: $(grep -m1 -F "\"$file\"" "$err")"; fi
  done
}

# What an intact run and a blank glyph sheet give: the echo, and the checksums of part 2 frames.
sheet_frames=(-n 1400 --no-progress -s 1001-1399/7)
sheet_reference() {
  local dir="$scratch/reference-intact" blank="$scratch/reference-blank"
  make_case intact "$dir"
  run_in "$dir" 300 "$render" "${sheet_frames[@]}"
  cp "$out" "$scratch/echo.txt"
  make_case intact "$blank"
  { printf 'P4\n240 208\n'; head -c $((30 * 208)) /dev/zero; } >"$blank/$file"
  run_in "$blank" 300 "$render" "${sheet_frames[@]}" --sums "$scratch/blank-sums.txt"
  if ((rc != 0)) || [[ ! -s $scratch/echo.txt ]]; then
    echo "bad_data: the reference runs failed (status $rc)" >&2
    exit 1
  fi
}

check_sheet() {  # case, dir
  local name=$1 dir=$2
  run_in "$dir" 300 "$render" "${sheet_frames[@]}" --sums "$dir/sums.txt"
  if ! sanitizer_clean; then report "$name" demo-render FAIL "sanitizer report: $(grep -m1 -E "$sanitizer_re" "$err")"
  elif ((rc != 0)); then report "$name" demo-render FAIL "exit status $rc, expected 0: $(head -c 300 "$err")"
  elif ! cmp -s "$dir/sums.txt" "$scratch/blank-sums.txt"; then
    report "$name" demo-render FAIL "part 2 frames differ from those with a blank glyph sheet"
  elif ! sed '/^IMG error$/d' "$out" | cmp -s - "$scratch/echo.txt"; then
    report "$name" demo-render FAIL "the echo differs from the intact run's"
  else report "$name" demo-render ok "empty scroller, same echo"; fi
  check_window_alive "$name" "$dir" ""
}

check_window_alive() {  # case, dir, expected stderr line count of "Error loading: " (or "")
  local name=$1 dir=$2 lines=$3 n
  [[ $window == - ]] && return
  run_window_to_deadline "$dir"
  n=$(grep -c '^Error loading: ' "$err")
  if ! sanitizer_clean; then report "$name" demo-window FAIL "sanitizer report: $(grep -m1 -E "$sanitizer_re" "$err")"
  elif ((!alive)); then report "$name" demo-window FAIL "ended with status $rc within ${alive_seconds}s: $(head -c 300 "$err")"
  elif [[ -n $lines ]] && ((n != lines)); then report "$name" demo-window FAIL "$n \"Error loading\" lines, expected $lines"
  else report "$name" demo-window ok "still running after ${alive_seconds}s${lines:+, $n \"Error loading\" line}"; fi
}

check_tune() {  # case, dir, expected "Error loading: " lines (1 damaged beyond loading, 0 loads)
  local name=$1 dir=$2 lines=$3 n others
  run_in "$dir" 300 "$render" -n 300 --no-progress -w "$dir/sound.wav"
  n=$(grep -c '^Error loading: ' "$err")
  others=$(grep -vc '^Error loading: ' "$err")
  if ! sanitizer_clean; then report "$name" demo-render FAIL "sanitizer report: $(grep -m1 -E "$sanitizer_re" "$err")"
  elif ((rc != 0)); then report "$name" demo-render FAIL "exit status $rc, expected 0: $(head -c 300 "$err")"
  elif ((n != lines || others != 0)); then
    report "$name" demo-render FAIL "$n \"Error loading\" lines (expected $lines), $others other lines"
  elif ((lines == 1)) && ! cmp -s <(tail -c +45 "$dir/sound.wav") <(head -c $((300 * 735 * 4)) /dev/zero); then
    report "$name" demo-render FAIL "the sound is not silent"
  elif ((lines == 1)); then report "$name" demo-render ok "silent: $(head -1 "$err")"
  else report "$name" demo-render ok "loads, no message"; fi
  check_window_alive "$name" "$dir" "$lines"
}

case $kind in
  tune) cases=(missing empty half header_only wrong_kind zero_channels channels_65535 patterns_65535
               one_byte_short no_positions) ;;
  *) cases=(missing empty half one_byte_short wrong_kind zero_size zero_width size_65535x65535
            size_65536x65537 digits_overflow fifo dev_zero directory) ;;
esac

echo "bad data: $file ($kind)"
[[ $kind == sheet ]] && sheet_reference
for name in "${cases[@]}"; do
  dir="$scratch/$name"
  make_case "$name" "$dir"
  case $kind in
    picture) check_required "$name" "$dir" ;;
    sheet) check_sheet "$name" "$dir" ;;
    tune)
      # A tune cut by its last byte and one whose song has no positions still load: libmikmod
      # takes them, the first plays all but its end, the second plays silence.
      case $name in one_byte_short | no_positions) check_tune "$name" "$dir" 0 ;;
                    *) check_tune "$name" "$dir" 1 ;; esac ;;
  esac
done
if ((failures)); then
  echo "bad data: $file: $failures failing cases" >&2
  exit 1
fi
echo "bad data: $file: every case ended as expected"
