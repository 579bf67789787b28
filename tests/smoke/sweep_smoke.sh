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
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true

"$sweep" --model haploid-global --vary c=0.2:0.8:4 --final ref.mrv --jobs 1 ||
  fail "morvane-sweep failed"
cmp Sweep.mrv ref.mrv || fail "the Final files differ"
cmp Sweep.tsv ref.tsv || fail "the tables differ"
[ "$(wc -l <Sweep.tsv)" -eq 6 ] || fail "the table has $(wc -l <Sweep.tsv) lines, not 6"
echo "smoke: a sweep ran from the window to morvane-sweep's files"
