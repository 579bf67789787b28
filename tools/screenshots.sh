#!/usr/bin/env bash
# Makes every picture of the user guide (docs/images/*.png) from the program
# itself: the real Morvane on a virtual X display (tools/with-display.sh), driven by key
# presses with xdotool as the smoke tests drive it, its windows captured by
# id with ImageMagick's import; and the figures drawn by morvane-sweep --map
# and morvane-plot. Run it again when a window changes.
#
#   tools/screenshots.sh [BUILD_DIR]      (default: the source tree's build)
#
# Needs Xvfb, xdotool and ImageMagick (tools/setup.sh installs them).
set -euo pipefail
here=$(dirname "$(readlink -f "$0")")
. "$here/../tests/smoke/smoke_lib.sh"

if [ "${1:-}" != "--inside-display" ]; then
  build=$(cd "${1:-$here/../build}" && pwd)
  for p in Morvane morvane-run morvane-sweep morvane-plot morvane-analyse; do
    [ -x "$build/src/app/$p" ] || { echo "screenshots: build $p first" >&2; exit 1; }
  done
  mkdir -p "$here/../docs/images"
  set -- "$build/src/app/Morvane" "$here/../docs/images"
fi
# Outside the display: reruns this script inside one (a laptop's screen) in a
# scratch folder. Inside: starts the program.
smoke_start "$here/$(basename "$0")" 1280x900x24 "$@"
app=$(dirname "$2")
images=$3
export PATH="$app:$PATH"
shots=$(pwd)/shots
mkdir -p "$shots"
# The files the windows show by name lie in a folder of a fixed name, so that
# the pictures do not change with the scratch folder's name from run to run.
study=/tmp/morvane-study
rm -rf "$study"
mkdir "$study"
trap 'rm -rf "$study"' EXIT

# A window captured by id (the windows fill the screen); a dialog whole.
capture() {
  local w
  w=$(wait_window "$1")
  sleep 1
  import -window "$w" "$shots/$2.png"
}
# Windows have few colours: 128 of them keep each picture small without
# blurring its text. WIDTH scales a screen-wide window down to a page.
small_png() {
  local width=${3:-}
  convert -limit thread 1 "$1" ${width:+-resize "${width}x>"} -strip +dither -colors 128 "PNG8:$2"
}
# Keys one at a time: a button enabled by the previous key must be ready.
press() {
  local title=$1 k
  shift
  for k in "$@"; do keys_to "$title" key "$k"; done
}

# The files shown: a diploid series with one rerun (its Detail file read
# back by the plot menu), and a sweep's map over the survivals W1(a) and
# W2(A), the same sweep as the sweep window runs below.
morvane-run --model diploid-global --x 0.5 --W1A 0.9 --W2A 0.6 --W1a 0.6 --W2a 0.9 \
  --c 0.55 --final shots.mrv --detail "$study/series.gnr" --plot series.plo \
  --disturb p=0.2,q=0.7,DG=0.05 >/dev/null
morvane-sweep --model haploid-global --vary W1a=0.5:1:40 --vary W2A=0.5:1:40 \
  --final sweep.mrv --map "$shots/map.png" --map-of p --map-size 560x430 >/dev/null 2>&1
# The outcome map of the guide's page on equilibria.
morvane-sweep --model haploid-global --W1A 0.9 --W2A 0.6 --W1a 0.6 \
  --W2a 0.9 --i 3 --j 2 --d 0.9 --vary x=0:1:41 --vary c=0.2:0.8:41 \
  --analyse --final outcome.mrv --map "$shots/outcome.png" --map-of class \
  --map-size 720x480 >/dev/null 2>&1
# The analysed sweep of the haploid Levene case over c and x, which the sweep
# window opens below for its Outcome map.
morvane-sweep --model haploid-local --W1A 0.9 --W2A 0.6 --W1a 0.6 --W2a 0.9 \
  --vary c=0.3:0.7:41 --vary x=0:1:21 --analyse --final "$study/levene.mrv" >/dev/null 2>&1
morvane-plot --detail "$study/series.gnr" --caption --dpi 120 -o "$shots/figure.png"
# The basins of the guide's diploid example, as morvane-plot --basins draws them.
morvane-analyse basins --model diploid-local --x 0.58 --c 0.37 --i 3 --j 3 \
  --W1A 0.92 --W2A 0.5 --W1a 0.93 --W2a 0.72 --grid 20 --threads 2 >basins.tsv
morvane-plot --basins basins.tsv --dpi 120 -o "$shots/basins.png"
# The bifurcation diagram of the haploid Levene case along c.
morvane-analyse continue --model haploid-local --x 1 --d 1 --i 1 --j 1 --W1A 0.9 --W2A 0.6 \
  --W1a 0.6 --W2a 0.9 --c 0.3 --vary c=0.3:0.7 >"$shots/branches.tsv"
morvane-plot --bifurcation "$shots/branches.tsv" --dpi 120 -o "$shots/bifurcation.png"
# The Python example's figure (Debian's python3, the build's module).
PYTHONPATH="$app/../../python" /usr/bin/python3 "$here/../examples/levene.py" "$shots/levene-python.png" \
  >/dev/null

main="Morvane v2"
wait_window "$main" >/dev/null
capture "$main" main

# The plot menu, the series of the Detail file, its chart and the export
# dialog of "Save chart...".
press "$main" alt+p alt+g
keys_to "Plot Menu" key alt+d
keys_to "Open" type --delay 10 "$study/series.gnr"
keys_to "Open" key Return
capture "Plot Menu" plot-menu
keys_to "Plot Menu" key alt+p
capture "Plot Menu for Sexuals" chart
keys_to "Plot Menu for Sexuals" key alt+s
capture "Save chart" export
keys_to "Save chart" key Escape
keys_to "Plot Menu for Sexuals" key alt+b
keys_to "Plot Menu" key alt+b

# The sweep window: haploids with global panmixia (the second model), W1(a)
# (typing W1A finds W1(A), the next item is W1(a)) and W2(A) varied over 40
# values each, Go, and its map once the table is whole.
keys_to "$main" key alt+s
press "Sweep" alt+m Down alt+v
keys_to "Sweep" type W1A
keys_to "Sweep" key Down Tab ctrl+a type 0.5
keys_to "Sweep" key Tab ctrl+a type 1
keys_to "Sweep" key Tab ctrl+a type 40
keys_to "Sweep" key Tab type W2A
keys_to "Sweep" key Tab ctrl+a type 0.5
keys_to "Sweep" key Tab ctrl+a type 1
keys_to "Sweep" key Tab ctrl+a type 40
keys_to "Sweep" key alt+g
wait_for_file_line Sweep.tsv 1602
capture "Sweep" sweep-window
# The Levene sweep opened (the form ticks "Analyse equilibria"), its Outcome
# shown, the window as on a screen of 1024 x 768.
keys_to "Sweep" key alt+o
keys_to "Open" type --delay 10 "$study/levene.mrv"
keys_to "Open" key Return
keys_to "Sweep" key alt+s
keys_to "Sweep" type Outcome
xdotool windowsize "$(wait_window "Sweep")" 1024 768
capture "Sweep" sweep-outcome
keys_to "Sweep" key alt+b

# A series in the windows: the files chosen, haploids with global panmixia
# (two radio buttons above the clonal one), its input window, a run, and its
# disturbance window asking for new values.
keys_to "$main" key alt+f
keys_to "Open" type --delay 10 "$study/guide.mrv"
keys_to "Open" key Return
wait_for_file_line "$study/guide.mrv" 1
keys_to "$main" key alt+d
keys_to "Save As" type --delay 10 "$study/guide.gnr"
keys_to "Save As" key Return
press "$main" alt+c Up Up alt+g
# The haploid Levene case at c = 0.45 (x = 1, d = 1, i = j = 1; survivals
# 0.9 and 0.6 of A, 0.6 and 0.9 of a): c two fields after x, where the
# window opens; No Trade-off makes every survival typed; from p, six fields
# on (q, i, j, DG0, L) lies W1(A), followed by W1(a), W2(A) and W2(a).
input="Input Menu for Sexuals"
keys_to "$input" key Tab Tab ctrl+a
keys_to "$input" type 0.45
keys_to "$input" key Tab alt+n
press "$input" Tab Tab Tab Tab Tab Tab
for value in 0.9 0.6 0.6 0.9; do
  keys_to "$input" key ctrl+a
  keys_to "$input" type "$value"
  keys_to "$input" key Tab
done
capture "Input Menu for Sexuals" input
keys_to "Input Menu for Sexuals" key alt+g
disturb="Disturb or Stop Menu for Sexual Haploids"
wait_window "$disturb" >/dev/null
sleep 0.5
# The counters' message box bears the window's title: Return closes it.
keys_to "$disturb" key Return
keys_to "$disturb" key alt+d
capture "$disturb" disturbance
# Its Analyse...: the phase plane of the series, a click's series drawn.
keys_to "$disturb" key alt+a
plane=$(wait_window "Phase Plane")
sleep 3
eval "$(xdotool getwindowgeometry --shell "$plane")"
xdotool mousemove --window "$plane" $((WIDTH / 3)) $((HEIGHT / 2)) click 1
capture "Phase Plane" phase-plane
# Its Bifurcation diagram...: c from 0.3 to 0.7, Go, and the pointer on the
# branch point where A starts to invade (c = 0.4, p = 0): the only magenta
# mark in the lower half of the window.
keys_to "Phase Plane" key alt+b
bifurcation="Bifurcation diagram"
wait_window "$bifurcation" >/dev/null
keys_to "$bifurcation" key alt+f ctrl+a
keys_to "$bifurcation" type 0.3
keys_to "$bifurcation" key alt+t ctrl+a
keys_to "$bifurcation" type 0.7
keys_to "$bifurcation" key alt+g
sleep 3
capture "$bifurcation" bifurcation-window
read -r x y w h < <(convert "$shots/bifurcation-window.png" -gravity south -crop 100%x50%+0+0 \
  -fuzz 12% -fill white +opaque "rgb(200,0,120)" -trim -format "%X %Y %w %h\n" info:)
eval "$(xdotool getwindowgeometry --shell "$(wait_window "$bifurcation")")"
xdotool mousemove --window "$WINDOW" $((x + w / 2)) $((y + h / 2))
sleep 1
# From the screen, where the pointer's tooltip shows too.
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shots/bifurcation-window.png"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true

# The pictures of the guide: screen-wide windows at 960 pixels; the main
# window without the empty screen below its controls, the disturbance window
# its controls alone (below its menu bar).
convert "$shots/main.png" -fuzz 1% -trim +repage -bordercolor cyan -border 8 "$shots/main.png"
convert "$shots/disturbance.png" -crop +0+24 +repage -fuzz 1% -trim +repage \
  -bordercolor cyan -border 12 "$shots/disturbance.png"
small_png "$shots/main.png" "$images/main-window.png" 960
small_png "$shots/input.png" "$images/input-window.png" 960
small_png "$shots/disturbance.png" "$images/disturbance.png" 960
small_png "$shots/plot-menu.png" "$images/plot-menu.png" 960
small_png "$shots/chart.png" "$images/chart.png" 960
small_png "$shots/export.png" "$images/export.png"
small_png "$shots/sweep-window.png" "$images/sweep-window.png" 960
small_png "$shots/map.png" "$images/sweep-map.png"
small_png "$shots/sweep-outcome.png" "$images/sweep-outcome.png"
small_png "$shots/outcome.png" "$images/outcome-map.png"
small_png "$shots/figure.png" "$images/figure.png"
small_png "$shots/basins.png" "$images/basins.png"
small_png "$shots/phase-plane.png" "$images/phase-plane.png" 960
small_png "$shots/bifurcation.png" "$images/bifurcation.png"
small_png "$shots/bifurcation-window.png" "$images/bifurcation-window.png" 960
small_png "$shots/levene-python.png" "$images/levene-python.png"
# The README's picture: the main window, the chart and the map side by side
# at one height, with a white margin between them.
convert "$shots/main.png" "$shots/chart.png" "$shots/map.png" -resize x360 \
  -bordercolor white -border 6 +append "$shots/overview.png"
small_png "$shots/overview.png" "$images/overview.png"
echo "screenshots: $(ls "$images"/*.png | wc -l) pictures in docs/images," \
  "$(du -ch "$images"/*.png | tail -1 | cut -f1) in all"
