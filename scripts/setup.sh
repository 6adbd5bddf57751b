#!/usr/bin/env bash
# Installs the Debian packages that are missing.
#
#     scripts/setup.sh          what building and playing the game needs (`make run`, `make build`)
#     scripts/setup.sh --test   that and what the tests, benchmarks, sanitizer and fuzz builds,
#                               the Debian package and CI need (`make test` and the rest)
#
# Safe to run repeatedly: it only calls apt-get when something is missing.
set -euo pipefail

# The compiler and build tools, the libraries the programs link (OpenSSL: the leaderboard's
# SHA-256 of replays), the font the game draws its text with, and gettext, which compiles the
# translations.
packages=(
  build-essential cmake ninja-build pkg-config git
  zlib1g-dev libpng-dev
  libsdl2-dev libx11-dev libfreetype-dev libfontconfig-dev fonts-liberation2
  libcairo2-dev
  libboost-dev libsqlite3-dev libpqxx-dev libssl-dev
  gettext
)
# The test and benchmark libraries (OpenSSL, above, also checks the store's cipher); clang for the fuzz targets; a private X server, a window
# manager and the tools that drive and photograph real windows; the servers, load tools and
# browser of the leaderboard's tests; the checkers of installed files and of the package; the
# linter of the shell scripts.
test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool x11-utils imagemagick openbox time
  postgresql-15 wrk chromium nginx-light curl openssl
  desktop-file-utils appstream lintian dpkg-dev man-db file librsvg2-bin
  shared-mime-info xdg-utils libglib2.0-bin
  shellcheck
)

case "${1:-}" in
  "") ;;
  --test) packages+=("${test_packages[@]}") ;;
  *) echo "usage: setup.sh [--test]" >&2; exit 2 ;;
esac

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
