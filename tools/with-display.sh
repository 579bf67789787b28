#!/usr/bin/env bash
# Runs a command on a virtual X display of its own and stops the display
# after it:
#
#   tools/with-display.sh WIDTHxHEIGHTxDEPTH COMMAND [ARGS...]
#
# Xvfb takes the first display number free of both a lock file and a socket
# (-displayfd) and writes it only once it accepts connections, so two of
# these started at once never share a display and the command never starts
# before its display answers. The command's exit status is returned.
set -euo pipefail
screen=$1
shift
dir=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
xvfb=$!
stop() {
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  rm -rf "$dir"
}
trap stop EXIT
for _ in $(seq 300); do
  grep -q '^[0-9][0-9]*$' "$dir/display" 2>/dev/null && break
  if ! kill -0 "$xvfb" 2>/dev/null; then
    echo "with-display: Xvfb did not start:" >&2
    cat "$dir/xvfb.log" >&2
    exit 1
  fi
  sleep 0.05
done
grep -q '^[0-9][0-9]*$' "$dir/display" || { echo "with-display: Xvfb gave no display in 15 s" >&2; exit 1; }
export DISPLAY=":$(head -1 "$dir/display")"
unset XAUTHORITY
# The log of the server, for a command that wants to show it on failure.
export WITH_DISPLAY_LOG="$dir/xvfb.log"
status=0
"$@" || status=$?
exit "$status"
