#!/usr/bin/env bash
# The phase plane opened from a disturbance window by keys, a series started
# by a click in it, and its data exported through the real file dialog: the
# CSV must hold the series' own path and the clicked one.
#
# Usage: phaseplane_smoke.sh PATH/TO/Morvane
# With SMOKE_SHOTS=FOLDER it also leaves a screenshot of the phase plane
# there; SMOKE_SCREEN sets the display's size (1280x1024x24).
set -euo pipefail

. "$(dirname "$(readlink -f "$0")")/smoke_lib.sh"
smoke_start "$0" "${SMOKE_SCREEN:-1280x1024x24}" "$@"

main="Morvane v2"
disturb="Disturb or Stop Menu for Sexual Haploids"
plane="Phase Plane"

keys_to "$main" key alt+f
keys_to "Open" type --delay 20 "smoke.mrv"
keys_to "Open" key Return
wait_for_file_line smoke.mrv 1
keys_to "$main" key alt+d
keys_to "Save As" type --delay 20 "smoke.gnr"
keys_to "Save As" key Return
# Haploids with global panmixia (two options above the clonal one), Go, and
# the input window's Go: one run, then the disturbance window and its box.
# Keys one at a time: the next option must be ready for Up.
for k in alt+c Up Up alt+g; do keys_to "$main" key "$k"; done
keys_to "Input Menu for Sexuals" key alt+g
wait_window "$disturb" >/dev/null
sleep 0.5
keys_to "$disturb" key Return
# Analyse...: the phase plane of the series.
keys_to "$disturb" key alt+a
w=$(wait_window "$plane")
sleep 2
# A click in the middle of the plane runs a series from there.
eval "$(xdotool getwindowgeometry --shell "$w")"
xdotool mousemove --window "$w" $((WIDTH / 3)) $((HEIGHT / 2)) click 1
sleep 0.5
shot phase-plane
# Export data... once the basin map is whole (the button says so before).
for _ in $(seq 20); do
  keys_to "$plane" key alt+d
  if xdotool search --onlyvisible --name '^Save As$' >/dev/null 2>&1; then break; fi
  keys_to "$plane" key Return
  sleep 1
done
keys_to "Save As" type --delay 20 "plane.csv"
keys_to "Save As" key Return
for _ in $(seq 100); do [ -s plane.csv ] && break; sleep 0.1; done
[ -s plane.csv ] || fail "no plane.csv"
grep -q '^path,generation,p,q$' plane.csv || fail "plane.csv has no paths"
grep -q '^1,0,' plane.csv || fail "the series' own path is missing"
grep -q '^2,0,' plane.csv || fail "the clicked series' path is missing"
grep -q '^p0,q0,equilibrium,p,q,stability$' plane.csv || fail "plane.csv has no basin map"
keys_to "$plane" key alt+c
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
echo "smoke: a phase plane from a disturbance window, a clicked series, its data"
