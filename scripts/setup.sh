#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need.
# Safe to run repeatedly: it only calls apt-get when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  libssl-dev zlib1g-dev libpng-dev
  clang libclang-rt-14-dev
  libsdl2-dev libx11-dev libfreetype-dev libfontconfig-dev fonts-liberation2
  xvfb xauth xdotool x11-utils imagemagick openbox time
  libcairo2-dev
  libboost-dev libsqlite3-dev libpqxx-dev postgresql-15 wrk chromium nginx-light
  desktop-file-utils appstream lintian dpkg-dev man-db file librsvg2-bin
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: these Debian packages are missing: ${missing[*]}" >&2
  echo "setup: install them as root: apt-get install ${missing[*]}" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
