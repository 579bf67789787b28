#!/usr/bin/env bash
# Installs what Morvane needs to build, test and run on a Debian 12 machine,
# and generates the locales the tests use. Sourced by run.sh and test.sh.

MORVANE_PACKAGES=(
  build-essential g++ cmake make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev qt6-svg-dev qt6-qpa-plugins libqt6opengl6-dev libgl1-mesa-dev
  libjpeg-dev libgtest-dev libbenchmark-dev
  locales fonts-dejavu-core
  libqcustomplot-dev
  libeigen3-dev
  pybind11-dev python3-dev python3-numpy python3-pandas
  xvfb xauth imagemagick xdotool
  parallel
  help2man librsvg2-bin dpkg-dev file man-db
)
# What ./test.sh adds: the checkers of the package and of the installed
# program, and the Slurm that runs the user guide's Slurm commands.
MORVANE_TEST_PACKAGES=(
  lintian desktop-file-utils appstream ccache
  slurm-wlm munge
  python3-pytest python3-matplotlib r-base-core r-cran-reticulate
)

morvane_missing_packages() {
  local missing=() p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  echo "${missing[@]}"
}

morvane_locale_missing() {
  ! locale -a 2>/dev/null | grep -qi '^fr_FR\.utf-\?8$'
}

# morvane_setup [test]: what building and running need, and with "test" what
# ./test.sh needs too.
morvane_setup() {
  local missing packages=("${MORVANE_PACKAGES[@]}")
  [ "${1:-}" != test ] || packages+=("${MORVANE_TEST_PACKAGES[@]}")
  missing=$(morvane_missing_packages "${packages[@]}")
  if [ -n "$missing" ] || morvane_locale_missing; then
    if [ "$(id -u)" -ne 0 ]; then
      echo "Morvane needs packages or locales that are not installed. Run as root:" >&2
      echo "  sudo apt-get update && sudo apt-get install -y $missing" >&2
      echo "  sudo sed -i 's/^# *fr_FR.UTF-8 UTF-8/fr_FR.UTF-8 UTF-8/' /etc/locale.gen && sudo locale-gen" >&2
      return 1
    fi
    if [ -n "$missing" ]; then
      echo "Installing: $missing"
      export DEBIAN_FRONTEND=noninteractive
      apt-get update
      # shellcheck disable=SC2086
      apt-get install -y --no-install-recommends $missing
    fi
    if morvane_locale_missing; then
      if grep -q '^# *fr_FR.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
        sed -i 's/^# *fr_FR.UTF-8 UTF-8/fr_FR.UTF-8 UTF-8/' /etc/locale.gen
      elif ! grep -q '^fr_FR.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
        echo 'fr_FR.UTF-8 UTF-8' >> /etc/locale.gen
      fi
      locale-gen
    fi
  fi
}
