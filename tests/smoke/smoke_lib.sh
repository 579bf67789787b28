# Shared by the smoke tests: the real program on a virtual X display, its
# windows found by title and given the keyboard with xdotool.
#
# smoke_start SCRIPT SCREEN ARGS...: outside the display, reruns SCRIPT inside
# a display of its own (tools/with-display.sh) in a scratch folder (five minutes
# at most, whatever hangs) and exits;
# inside, starts the program ($1 after --inside-display) with its output in
# program.log and sets $pid.
smoke_display="$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/../../tools/with-display.sh"

smoke_start() {
  local self screen
  self=$(readlink -f "$1")
  screen=$2
  shift 2
  if [ "${1:-}" != "--inside-display" ]; then
    local args=() a
    for a in "$@"; do args+=("$(readlink -f "$a")"); done
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    cd "$scratch"
    timeout --kill-after=10 300 \
      "$smoke_display" "$screen" "$self" --inside-display "${args[@]}"
    exit $?
  fi
  export QT_QPA_PLATFORM=xcb
  # The settings the program remembers (the folders of its file dialogs
  # among them) start empty in the scratch folder, whatever a user or an
  # earlier test left.
  export XDG_CONFIG_HOME="$PWD/config"
  "$2" >program.log 2>&1 &
  pid=$!
}

fail() {
  echo "smoke: $*" >&2
  echo "--- visible windows:" >&2
  for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
    echo "  $(xdotool getwindowname "$w")" >&2
  done
  echo "--- program output:" >&2
  cat program.log >&2 || true
  if [ -s "${WITH_DISPLAY_LOG:-}" ]; then
    echo "--- display server ($DISPLAY):" >&2
    tail -n 20 "$WITH_DISPLAY_LOG" >&2
  fi
  kill "$pid" 2>/dev/null || true
  exit 1
}

# The newest visible window of that title; waits up to 20 s for it.
wait_window() {
  local w pattern
  pattern="^$(printf '%s' "$1" | sed 's/[][()\.^$*+?{}|]/\\&/g')\$"
  for _ in $(seq 200); do
    w=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | tail -1 || true)
    if [ -n "$w" ]; then
      echo "$w"
      return 0
    fi
    kill -0 "$pid" 2>/dev/null || fail "the program ended while waiting for \"$1\""
    sleep 0.1
  done
  fail "no window \"$1\""
}

# Without a window manager nothing gives a window the keyboard: do it, then
# press the keys.
keys_to() {
  local w
  w=$(wait_window "$1")
  shift
  xdotool windowfocus --sync "$w"
  sleep 0.3
  xdotool "$@"
  sleep 0.5
}

# Waits up to 20 s for FILE to have COUNT lines.
wait_for_file_line() {
  for _ in $(seq 200); do
    [ -f "$1" ] && [ "$(wc -l <"$1")" -ge "$2" ] && return 0
    sleep 0.1
  done
  fail "$1 does not have $2 lines"
}

# With SMOKE_SHOTS=FOLDER, a screenshot of the display there as NAME.png.
shot() { if [ -n "${SMOKE_SHOTS:-}" ]; then import -window root "$SMOKE_SHOTS/$1.png"; fi; }
