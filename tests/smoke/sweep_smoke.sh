#!/usr/bin/env bash
# The real program under a virtual X display, driven by key presses as a user
# would: the main window's Sweep..., a model and a varied parameter chosen and
# typed in the sweep window, Go, and the files it writes compared byte for
# byte with morvane-sweep's for the same sweep; then a larger sweep cancelled,
# opened again by "Open sweep..." and resumed by keys gives the files of a run
# never interrupted.
#
# Usage: sweep_smoke.sh PATH/TO/Morvane PATH/TO/morvane-sweep
# With SMOKE_SHOTS=FOLDER it also leaves a screenshot of the sweep window
# there; SMOKE_SCREEN sets the display's size (1280x1024x24).
set -euo pipefail

. "$(dirname "$(readlink -f "$0")")/smoke_lib.sh"
smoke_start "$0" "${SMOKE_SCREEN:-1280x1024x24}" "$@"
sweep=$3

keys_to "Morvane v2" key alt+s
# Haploids with global panmixia (the second model), c varied over 4 values.
keys_to "Sweep" key alt+m Down
keys_to "Sweep" key alt+v type c
keys_to "Sweep" key Tab ctrl+a type 0.2
keys_to "Sweep" key Tab ctrl+a type 0.8
keys_to "Sweep" key Tab ctrl+a type 4
keys_to "Sweep" key Tab alt+g
wait_for_file_line Sweep.tsv 6
sleep 0.5
shot "sweep-${SMOKE_SCREEN:-1280x1024x24}"

# A larger sweep over c and x into Big.mrv (its field two Tabs after
# Threads), cancelled by Alt+E, then resumed by Go (Resume is ticked by the
# cancel): the files of a run never interrupted. Slow points, so that Cancel
# comes in time: diploids with global panmixia (two below the haploids),
# L nine Tabs after the model, the four survivals after it (0.9 0.6 0.6 0.9
# gives the same survivals in either order of the fitness fields), and a
# generation cap.
keys_to "Sweep" key alt+m Down Down
keys_to "Sweep" key alt+m Tab Tab Tab Tab Tab Tab Tab Tab Tab ctrl+a type 0.000000000001
keys_to "Sweep" key Tab ctrl+a type 0.9
keys_to "Sweep" key Tab ctrl+a type 0.6
keys_to "Sweep" key Tab ctrl+a type 0.6
keys_to "Sweep" key Tab ctrl+a type 0.9
keys_to "Sweep" key alt+p ctrl+a type 50000
keys_to "Sweep" key alt+v type c
keys_to "Sweep" key Tab ctrl+a type 0.2
keys_to "Sweep" key Tab ctrl+a type 0.8
keys_to "Sweep" key Tab ctrl+a type 300
keys_to "Sweep" key Tab type x
keys_to "Sweep" key Tab ctrl+a type 0
keys_to "Sweep" key Tab ctrl+a type 1
keys_to "Sweep" key Tab ctrl+a type 40
keys_to "Sweep" key alt+h Tab Tab ctrl+a type Big.mrv
keys_to "Sweep" key alt+g
wait_for_file_line Big.tsv.part 3
keys_to "Sweep" key alt+e
sleep 1
shot "sweep-cancelled-${SMOKE_SCREEN:-1280x1024x24}"
[ -f Big.mrv ] && fail "the sweep was not cancelled"
[ -f Big.mrv.part ] || fail "the cancelled sweep left no Big.mrv.part"
# Open sweep... by keys: the form set otherwise first (another model, another
# Final file), then the interrupted run's table typed into the file dialog
# (a real one) and Return. Go then resumes the sweep opened only if the form
# holds it whole again: its model, values, grid, cap and Final file.
keys_to "Sweep" key alt+m Up
keys_to "Sweep" key alt+h Tab Tab ctrl+a type Other.mrv
keys_to "Sweep" key alt+o
sleep 1.5
xdotool key ctrl+a
xdotool type Big.tsv.part
xdotool key Return
sleep 1
keys_to "Sweep" key alt+g
for _ in $(seq 600); do
  [ -f Big.tsv ] && break
  sleep 0.1
done
wait_for_file_line Big.tsv 12002
sleep 0.5
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true

"$sweep" --model diploid-global --L 0.000000000001 --W1A 0.9 --W2A 0.6 --W1a 0.6 --W2a 0.9 \
  --max-generations 50000 --vary c=0.2:0.8:300 --vary x=0:1:40 --final bigref.mrv \
  --jobs 2 >/dev/null 2>&1 || fail "morvane-sweep failed on the larger sweep"
cmp Big.mrv bigref.mrv || fail "the resumed Final file differs"
cmp Big.tsv bigref.tsv || fail "the resumed table differs"

"$sweep" --model haploid-global --vary c=0.2:0.8:4 --final ref.mrv --jobs 1 ||
  fail "morvane-sweep failed"
cmp Sweep.mrv ref.mrv || fail "the Final files differ"
cmp Sweep.tsv ref.tsv || fail "the tables differ"
[ "$(wc -l <Sweep.tsv)" -eq 6 ] || fail "the table has $(wc -l <Sweep.tsv) lines, not 6"
if [ -e Other.mrv ] || [ -e Other.mrv.part ]; then
  fail "Go ran the form as it was before Open sweep"
fi
echo "smoke: a sweep ran from the window to morvane-sweep's files"
