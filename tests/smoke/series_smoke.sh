#!/usr/bin/env bash
# The real program under a virtual X display, driven by key presses as a user
# would: the Final and Detail files chosen in the file dialogs, a clonal
# series started from the input window, one disturbed rerun, Stop, and quit.
# The Final file must then hold its header and exactly one record.
#
# Usage: series_smoke.sh PATH/TO/Morvane
# With SMOKE_SHOTS=FOLDER it also leaves screenshots of the disturbance
# window there; SMOKE_SCREEN sets the display's size (1280x1024x24).
set -euo pipefail

. "$(dirname "$(readlink -f "$0")")/smoke_lib.sh"
smoke_start "$0" "${SMOKE_SCREEN:-1280x1024x24}" "$@"

main="Morvane v2"
disturb="Disturbance Menu for Clones"

keys_to "$main" key alt+f
keys_to "Open" type --delay 20 "smoke.mrv"
keys_to "Open" key Return
wait_for_file_line smoke.mrv 1
keys_to "$main" key alt+d
keys_to "Save As" type --delay 20 "smoke.gnr"
keys_to "Save As" key Return
# The clonal model, then Go: the input window; its Go runs the first run.
keys_to "$main" key alt+c alt+g
keys_to "Input Menu for Clonals (haploids) or two species" key alt+g
# The run ends in the disturbance window with the counters in a box of the
# same title; Return closes the box.
wait_for_file_line PlotCloneFile.plo 2
wait_window "$disturb" >/dev/null
sleep 0.5
shot counters
keys_to "$disturb" key Return
# Disturb Equilibrium, Go: a second run from the frequencies shown.
keys_to "$disturb" key alt+d
shot disturbing
keys_to "$disturb" key alt+g
wait_for_file_line PlotCloneFile.plo 3
keys_to "$disturb" key Return
# Stop: the record, then the clonal plot window; its Quit goes back to the
# main window.
keys_to "$disturb" key alt+s
wait_for_file_line smoke.mrv 2
plot="Plot Menu for asexual haploids or two species"
wait_window "$plot" >/dev/null
sleep 0.5
shot plot
keys_to "$plot" key alt+q
[ -z "$(xdotool search --onlyvisible --name "^$plot\$" 2>/dev/null || true)" ] ||
  fail "the plot window did not close on Quit"
# Quit: the main window starts again from the choice of the files, with
# "Choose Final file" focused; Tab leads to "Quit Morvane", then the
# farewell box.
keys_to "$main" key Tab space
keys_to "$main" key Return
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program did not end after the farewell"
wait "$pid" || fail "the program ended with status $?"

[ "$(wc -l <smoke.mrv)" -eq 2 ] || fail "the Final file has $(wc -l <smoke.mrv) lines, not 2"
header=$(head -1 smoke.mrv | tr -d '\r')
if [ "$(echo "$header" | cut -f1)" != "T" ] || [ "$(echo "$header" | cut -f19)" != "File Name" ]; then
  fail "bad Final header: $header"
fi
record=$(tail -1 smoke.mrv | tr -d '\r')
# Two runs of one generation each, from the clonal input window's defaults.
[ "$record" = "$(printf '2\t1.00\t1.00\t1.00\t1.00\t1.00\t1.00\t1\t1\t0.50\t0.0000\t0.5000\t0.0000\t0.5000\tNoTO\tNoESS\tHaploid\tClonal\tPlotCloneFile.plo')" ] ||
  fail "unexpected Final record: $record"
echo "smoke: a series ran to its record"
