#!/usr/bin/env bash
# Runs every command line of the README and of the user guide (docs/*.md), as
# a reader would type them, so that no example can go stale.
#
# Every fenced block of those pages says what it is by its first line:
#   ```sh       commands that run here and in seconds: this script runs them;
#   ```console  commands shown but not run here: they install (apt, cmake
#               --install, the package), need other machines or a Slurm
#               cluster (the Slurm block is run by tools/slurm-check.sh, as
#               root), start the desktop program, or take minutes (the
#               benchmarks);
#   ```text     anything else that is not a command (diagrams, output).
# A fence with no word, or another word, fails the check: each block has to
# be one or the other on purpose. A relative link or picture that names no
# file fails it too.
#
# Each page gets a scratch folder of its own, holding links to the build
# folder (build), to tools/ and to examples/, as the top of the source tree
# does; its sh
# blocks run there in their order, each in a bash of its own with -e and -o
# pipefail (files carry over from block to block, shell variables do not),
# with the build's programs first on the PATH and no display
# (QT_QPA_PLATFORM=offscreen). A block that fails, or takes more than two
# minutes, fails the check with its page, line and output.
#
#   tools/guide-check.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
build=$(cd "${1:-build}" && pwd)
say() { echo "guide-check: $*"; }
fail() {
  echo "guide-check: FAIL: $*" >&2
  exit 1
}
for p in morvane-run morvane-sweep morvane-plot; do
  [ -x "$build/src/app/$p" ] || fail "build $p first ($build/src/app/$p)"
done

work=$(mktemp -d /tmp/morvane-guide-XXXXXX)
passed=
trap '[ -z "$passed" ] || rm -rf "$work"' EXIT

# Every relative link and picture of the pages names a file that exists.
for page in README.md docs/*.md; do
  while read -r target; do
    [ -e "$(dirname "$page")/$target" ] || fail "$page links to $target, which does not exist"
  done < <(grep -oE '\]\([^)#]+' "$page" | sed 's/^](//' | grep -vE '^[a-z]+:' || true)
done

# Debian's own python3 (the module's and its numpy's) before any other on
# the PATH, as on the machines the guide is written for.
export PATH="$build/src/app:/usr/bin:$PATH"
export QT_QPA_PLATFORM=offscreen
blocks=0
start=$SECONDS
for page in README.md docs/*.md; do
  name=$(basename "$page" .md)
  [ "$page" = README.md ] || name="docs-$name"
  dir="$work/$name"
  mkdir -p "$dir/blocks" "$dir/run"
  ln -s "$build" "$dir/run/build"
  ln -s "$repo/tools" "$dir/run/tools"
  ln -s "$repo/examples" "$dir/run/examples"
  # Each sh block to blocks/LINE.sh (LINE: the line of its opening fence);
  # a fence of any other kind to bad.txt.
  awk -v dir="$dir/blocks" '
    !inside && /^[ \t]*```/ {
      inside = 1
      kind = $0
      sub(/^[ \t]*```/, "", kind)
      sub(/[ \t]+$/, "", kind)
      if (kind == "sh") { out = sprintf("%s/%06d.sh", dir, NR) }
      else if (kind == "console" || kind == "text") { out = "" }
      else { print NR ": ```" kind > (dir "/bad.txt"); out = "" }
      next
    }
    inside && /^[ \t]*```[ \t]*$/ { inside = 0; if (out != "") close(out); next }
    inside && out != "" { print > out }
  ' "$page"
  if [ -s "$dir/blocks/bad.txt" ]; then
    fail "$page: a fenced block must be sh (run here), console or text (not run):
$(cat "$dir/blocks/bad.txt")"
  fi
  for block in "$dir"/blocks/*.sh; do
    [ -e "$block" ] || continue
    line=$((10#$(basename "$block" .sh)))
    blocks=$((blocks + 1))
    if ! (cd "$dir/run" && timeout 120 bash -euo pipefail "$block") \
      >"$block.out" 2>&1 </dev/null; then
      {
        echo "--- the block at $page:$line:"
        cat "$block"
        echo "--- its output (in $dir/run):"
        tail -n 40 "$block.out"
      } >&2
      fail "$page:$line: the block failed (or ran longer than two minutes)"
    fi
  done
done
[ "$blocks" -gt 0 ] || fail "no sh block found"
passed=yes
say "PASS: $blocks blocks of README.md and docs/*.md ran as written ($((SECONDS - start)) s)"
