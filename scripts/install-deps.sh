#!/usr/bin/env bash
# Installs, from the Debian archive only, everything that building, testing and running
# KestruneTrellisor needs. Safe to run again: packages already present are skipped.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config git
  qt6-base-dev qt6-svg-dev qt6-webengine-dev qt6-webengine-dev-tools libqt6webenginecore6-bin
  libcurl4-openssl-dev libssl-dev openssl ca-certificates
  libboost-regex-dev libicu-dev libpcre2-dev zlib1g-dev libminizip-dev nettle-dev libxlsxwriter-dev
  libcpp-httplib-dev libgtest-dev libgmock-dev libbenchmark-dev
  fonts-wqy-microhei xvfb xauth xdg-utils unzip
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is present"
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
