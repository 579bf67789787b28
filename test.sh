#!/usr/bin/env bash
# Installs what is missing, builds Morvane and runs every test: once in a
# normal build, followed by the checks of the Debian package, of the installed
# program, of the commands of the README and the user guide and (as root) of
# the guide's Slurm commands; once under
# AddressSanitizer and UndefinedBehaviorSanitizer; then the sweep's threads
# under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
source tools/setup.sh
morvane_setup test

JOBS=$(nproc)
# Objects already compiled from the same sources are taken from ccache's
# cache (the three builds below share most of them with earlier runs).
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
fi
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$JOBS"
(cd build && ctest --output-on-failure -j "$JOBS")

# The Debian package and lintian, the installed program, the commands of the
# README and docs/; as root, the guide's Slurm commands on a one-node Slurm of
# this machine.
tools/install-check.sh build
tools/guide-check.sh build
if [ "$(id -u)" -eq 0 ]; then
  tools/slurm-check.sh build
else
  echo "test.sh: skipped tools/slurm-check.sh (the guide's Slurm commands on a one-node Slurm):" \
    "it starts munge and Slurm daemons, which needs root" >&2
fi

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DMORVANE_SANITIZE=ON -DMORVANE_BUILD_BENCH=OFF
cmake --build build-asan -j "$JOBS"
(cd build-asan && ctest --output-on-failure -j "$JOBS")

# The sweep on several threads under ThreadSanitizer: only the core, the
# sweep and its thread test are built.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVANE_TSAN=ON \
  -DMORVANE_BUILD_UI=OFF -DMORVANE_BUILD_BENCH=OFF
cmake --build build-tsan -j "$JOBS" --target test_sweep_threads
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build-tsan/tests/sweep/test_sweep_threads
