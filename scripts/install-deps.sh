#!/usr/bin/env bash
# Installs the Debian 12 packages vok needs to build, test and run, and
# generates the ru_RU.UTF-8 locale (a locale with a decimal comma, which the
# tests use to prove that numbers are read and written the same in any
# locale). As root, what is missing is installed; otherwise the exact
# command to run is printed and the script fails (for the locale alone it
# only warns: without it that one test is skipped).
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  qt6-base-dev qt6-qpa-plugins libgl-dev fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev libfmt-dev nlohmann-json3-dev zlib1g-dev
  xvfb xauth x11-apps x11-utils imagemagick
  clang libclang-rt-14-dev
  clang-format clang-tidy
  locales
  time
  qt6-charts-dev libqt6opengl6-dev qt6-image-formats-plugins
  help2man desktop-file-utils appstream dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
  else
    echo "vok needs these Debian packages. Install them with:" >&2
    echo "  sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
fi

# Listed in /etc/locale.gen, so that a later locale-gen keeps it.
locale=ru_RU.UTF-8
if ! locale -a 2>/dev/null | grep -qix 'ru_RU\.utf-\?8'; then
  if [ "$(id -u)" -eq 0 ]; then
    echo "Generating the $locale locale"
    grep -qx "$locale UTF-8" /etc/locale.gen 2>/dev/null || echo "$locale UTF-8" >>/etc/locale.gen
    locale-gen >/dev/null
  else
    echo "install-deps: no $locale locale, so the decimal-comma test is skipped; generate it with:" >&2
    echo "  echo '$locale UTF-8' | sudo tee -a /etc/locale.gen && sudo locale-gen" >&2
  fi
fi
