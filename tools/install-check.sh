#!/usr/bin/env bash
# Checks Morvane as it installs: builds the Debian package and checks it with
# lintian (no error allowed), installs the build into a scratch prefix and
# runs what it installed: every command's --help, every manual page through
# man, the desktop entry and the AppStream metadata through their validators,
# the icons, and the desktop program on a virtual display until its main window
# shows and its Help menu opens the installed help file. Run as root, by
# ./test.sh, after a full build.
#
#   tools/install-check.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
build=$(cd "${1:-build}" && pwd)
app=org.morvane.Morvane
say() { echo "install-check: $*"; }
fail() {
  echo "install-check: FAIL: $*" >&2
  exit 1
}
work=$(mktemp -d /tmp/morvane-install-XXXXXX)
trap 'rm -rf "$work"' EXIT

# The package, and lintian on it.
rm -f "$build"/morvane_*.deb
cmake --build "$build" --target package >"$work/package.log" 2>&1 ||
  fail "the package was not built: $(tail -n 20 "$work/package.log")"
deb=$(ls "$build"/morvane_*.deb)
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 ||
  fail "$deb has no dependencies computed from its programs"
# lintian warns on stderr that it runs as root: its verdict is its exit status.
lintian --fail-on error "$deb" >"$work/lintian.out" 2>/dev/null ||
  fail "lintian reports errors on $deb: $(cat "$work/lintian.out")"
say "$(basename "$deb"): lintian reports no error ($(grep -c '^W:' "$work/lintian.out" || true) warnings)"

# The build installed into a scratch prefix.
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  fail "cmake --install failed: $(tail -n 20 "$work/install.log")"
# Every program the build made: the desktop program and each morvane-*.
programs=$(cd "$build/src/app" && find . -maxdepth 1 -type f -perm -u+x \( -name Morvane -o -name 'morvane-*' \) -printf '%f\n' | sort)
for program in $programs; do
  [ -x "$prefix/bin/$program" ] || fail "$program is not installed ($prefix/bin)"
  page="$prefix/share/man/man1/$program.1.gz"
  [ -f "$page" ] || fail "$program has no manual page ($page)"
  errors=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >"$work/page.txt") ||
    fail "man -l $page failed: $errors"
  [ -z "$errors" ] || fail "man -l $page warns: $errors"
  grep -q "$program" "$work/page.txt" || fail "the manual page of $program does not name it"
done
"$prefix/bin/morvane-run" --help >"$work/help.txt" || fail "the installed morvane-run --help failed"
grep -q '^Usage: morvane-run' "$work/help.txt" || fail "the installed morvane-run --help shows no usage"

desktop="$prefix/share/applications/$app.desktop"
[ -f "$desktop" ] || fail "no desktop entry ($desktop)"
desktop-file-validate "$desktop" >"$work/desktop.out" 2>&1 || true
[ ! -s "$work/desktop.out" ] || fail "desktop-file-validate: $(cat "$work/desktop.out")"
metainfo="$prefix/share/metainfo/$app.metainfo.xml"
appstreamcli validate --no-net "$metainfo" >"$work/appstream.out" 2>&1 ||
  fail "appstreamcli validate: $(cat "$work/appstream.out")"
icons="$prefix/share/icons/hicolor"
[ -f "$icons/scalable/apps/$app.svg" ] || fail "no SVG icon"
for size in 16 32 48 64 128 256; do
  png="$icons/${size}x${size}/apps/$app.png"
  [ "$(identify -format '%wx%h' "$png" 2>/dev/null)" = "${size}x${size}" ] ||
    fail "no ${size}x${size} PNG icon ($png)"
done
[ -f "$prefix/share/morvane/HelpMorvane.hlp" ] || fail "no help file in $prefix/share/morvane"
# The Python module, where Debian's python3 finds a package's modules (the
# package's own prefix is /usr), run from an empty folder.
dpkg-deb -c "$deb" >"$work/deb.list"
grep -q '/usr/lib/python3/dist-packages/morvane/_morvane\..*\.so$' "$work/deb.list" ||
  fail "$deb carries no Python module in /usr/lib/python3/dist-packages/morvane"
mkdir -p "$work/python"
(cd "$work/python" && PYTHONPATH="$prefix/lib/python3/dist-packages" /usr/bin/python3 -c '
import morvane, sys
assert morvane.__file__.startswith(sys.argv[1]), morvane.__file__
s = morvane.run("haploid-local", c=0.6, W1A=0.9, W2A=0.6, W1a=0.6, W2a=0.9)
assert s.converged and s.record.startswith(str(s.generations) + "\t")
' "$prefix") >"$work/python.out" 2>&1 ||
  fail "the installed Python module does not run a series: $(cat "$work/python.out")"
[ ! -e "$prefix/bin/HelpMorvane.hlp" ] || fail "the help file lies beside the installed program"
say "installed into a scratch prefix: $(echo $programs), a manual page each," \
  "desktop entry, AppStream metadata and icons valid, the Python module runs"

# The installed desktop program, started from an empty folder on a virtual
# display: its main window, then the Help menu's guide from the installed file.
cat >"$work/gui.sh" <<'EOF'
#!/usr/bin/env bash
set -u
export QT_QPA_PLATFORM=xcb
"$1" >program.log 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null' EXIT
window() {
  local w
  for _ in $(seq 150); do
    w=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | tail -1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    kill -0 "$pid" 2>/dev/null || { echo "the program ended: $(cat program.log)" >&2; return 1; }
    sleep 0.1
  done
  echo "no window \"$1\"; windows: $(for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do
    printf '"%s" ' "$(xdotool getwindowname "$w")"; done)" >&2
  return 1
}
main=$(window 'Morvane v2') || exit 1
# The Help menu lies at the left of the menu bar; its first item is the guide.
xdotool windowfocus --sync "$main"
sleep 0.3
xdotool mousemove --window "$main" 15 10 click 1
sleep 0.5
xdotool key Down Return
window 'Morvane v2 help' >/dev/null || exit 1
EOF
chmod +x "$work/gui.sh"
mkdir "$work/empty"
(cd "$work/empty" && timeout --kill-after=10 60 \
  "$repo/tools/with-display.sh" 1280x1024x24 "$work/gui.sh" "$prefix/bin/Morvane") ||
  fail "the installed Morvane did not show its main window and its help"
say "PASS: the installed Morvane showed its main window and the installed help file"
