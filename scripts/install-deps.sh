#!/usr/bin/env bash
# Installs the Debian packages tesqv builds with, and the comma-decimal locale its tests use.
# Idempotent and quiet when everything is already there.
# Usage: install-deps.sh [bench|fuzz|package|ci]
set -euo pipefail

packages=(cmake ninja-build g++ make pkg-config libsndfile1-dev libkissfft-dev libgtest-dev libgmock-dev locales libfmt-dev libcli11-dev libx11-dev nlohmann-json3-dev
  qt6-base-dev qt6-svg-dev
  fonts-dejavu-core fonts-wqy-microhei
  xvfb xdotool x11-apps x11-utils time)
# Building the .deb and checking it as a desktop and the Debian archive would see it.
package_tools=(dpkg-dev file help2man desktop-file-utils appstream lintian shared-mime-info
  libglib2.0-bin)
case "${1:-}" in
  bench) packages+=(libbenchmark-dev libfccp-dev) ;;
  fuzz) packages+=(clang libclang-rt-14-dev) ;;
  package) packages+=("${package_tools[@]}") ;;
  ci) packages+=(clang-format "${package_tools[@]}") ;;
esac

as_root() {
  if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qiE '^de_DE\.utf-?8$'; then
  echo "Generating the de_DE.UTF-8 locale for the tests"
  as_root localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
