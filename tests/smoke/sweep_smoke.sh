#!/usr/bin/env bash
# The real program under a virtual X display, driven by key presses as a user
# would: the main window's Sweep..., a model and a varied parameter chosen and
# typed in the sweep window, Go, and the files it writes compared byte for
# byte with morvane-sweep's for the same sweep.
#
# Usage: sweep_smoke.sh PATH/TO/Morvane PATH/TO/morvane-sweep
# With SMOKE_SHOTS=FOLDER it also leaves a screenshot of the sweep window
# there; SMOKE_SCREEN sets the display's size (1280x1024x24).
set -euo pipefail

if [ "${1:-}" != "--inside-display" ]; then
  program=$(readlink -f "$1")
  sweep=$(readlink -f "$2")
  self=$(readlink -f "$0")
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  cd "$scratch"
  timeout --kill-after=10 120 \
    xvfb-run -a -s "-screen 0 ${SMOKE_SCREEN:-1280x1024x24}" "$self" --inside-display "$program" "$sweep"
  exit $?
fi
program=$2
sweep=$3
export QT_QPA_PLATFORM=xcb

"$program" >program.log 2>&1 &
pid=$!
fail() {
  echo "smoke: $*" >&2
  echo "--- program output:" >&2
  cat program.log >&2 || true
  kill "$pid" 2>/dev/null || true
  exit 1
}

wait_window() {
  local w
  for _ in $(seq 200); do
    w=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | tail -1 || true)
    if [ -n "$w" ]; then
      echo "$w"
      return 0
    fi
    kill -0 "$pid" 2>/dev/null || fail "the program ended while waiting for \"$1\""
    sleep 0.1
  done
  fail "no window \"$1\""
}

keys_to() {
  local w
  w=$(wait_window "$1")
  shift
  xdotool windowfocus --sync "$w"
  sleep 0.3
  xdotool "$@"
  sleep 0.3
}

keys_to "Morvane v2" key alt+s
# Haploids with global panmixia (the second model), c varied over 4 values.
keys_to "Sweep" key alt+m Down
keys_to "Sweep" key alt+v type c
keys_to "Sweep" key Tab ctrl+a type 0.2
keys_to "Sweep" key Tab ctrl+a type 0.8
keys_to "Sweep" key Tab ctrl+a type 4
keys_to "Sweep" key Tab alt+g
for _ in $(seq 200); do
  [ -f Sweep.tsv ] && break
  sleep 0.1
done
[ -f Sweep.tsv ] || fail "the sweep did not finish: no Sweep.tsv"
sleep 0.5
if [ -n "${SMOKE_SHOTS:-}" ]; then import -window root "$SMOKE_SHOTS/sweep-${SMOKE_SCREEN:-1280x1024x24}.png"; fi
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true

"$sweep" --model haploid-global --vary c=0.2:0.8:4 --final ref.mrv --jobs 1 ||
  fail "morvane-sweep failed"
cmp Sweep.mrv ref.mrv || fail "the Final files differ"
cmp Sweep.tsv ref.tsv || fail "the tables differ"
[ "$(wc -l <Sweep.tsv)" -eq 6 ] || fail "the table has $(wc -l <Sweep.tsv) lines, not 6"
echo "smoke: a sweep ran from the window to morvane-sweep's files"
