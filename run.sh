#!/usr/bin/env bash
# Installs what is missing, builds Morvane and starts it.
set -euo pipefail
cd "$(dirname "$0")"
source tools/setup.sh
morvane_setup

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target Morvane

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "Morvane is a desktop program and no display was found (DISPLAY is not set)." >&2
  echo "To run it on a virtual display:" >&2
  echo "  xvfb-run -a -s '-screen 0 1280x1024x24' ./run.sh" >&2
  exit 1
fi
exec ./build/src/app/Morvane "$@"
