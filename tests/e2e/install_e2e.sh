#!/usr/bin/env bash
# The installed program: `cmake --install` of this build, staged with DESTDIR below a scratch
# folder under a prefix the build never saw, must put every file in place, and the program
# started from an unrelated working folder must find its data beside its prefix and keep its
# saves per user: in $XDG_DATA_HOME/hoopstack, or ~/.local/share/hoopstack without it. A replay
# file opened through the staged MIME and desktop databases plays in the installed program.
# Needs Xvfb, xdotool, ImageMagick, desktop-file-utils, appstream, shared-mime-info and gio.
set -euo pipefail
usage="usage: install_e2e.sh BUILD_DIR"
build=${1:?$usage}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "install e2e: $*" >&2; exit 1; }

prefix=/opt/hoopstack-e2e
DESTDIR=$work/stage cmake --install "$build" --prefix "$prefix" > "$work/install.log" ||
  fail "cmake --install failed: $(tail -n 5 "$work/install.log")"
root=$work/stage$prefix
[ ! -e "$prefix" ] || fail "the install wrote outside DESTDIR: $prefix exists"
"$here/check_installed_files.sh" "$root"

mkdir -p "$work/elsewhere" "$work/home" "$work/data" "$work/run"
chmod 700 "$work/run"

# A replay opened as a desktop opens it: the staged tree's MIME and desktop databases, built as
# the package's triggers build the system's, send the file to the installed program.
XDG_DATA_DIRS=$root/share update-mime-database "$root/share/mime" || fail "update-mime-database failed on the staged tree"
update-desktop-database "$root/share/applications" || fail "update-desktop-database failed on the staged tree"
"$build/bin/e2e_write_replay" 1 41 4 "$work/elsewhere/game.hoopstack-replay" > /dev/null || fail "cannot record a replay"
(cd "$work/elsewhere" && env -u XDG_DATA_HOME HOME="$work/home" XDG_RUNTIME_DIR="$work/run" XDG_DATA_DIRS="$root/share" \
  PATH="$root/bin:$PATH" "$here/installed_replay.sh" "$work/shot-replay.png" "$work/elsewhere/game.hoopstack-replay")
[ ! -e "$work/home/.local/share/hoopstack" ] || fail "watching the replay made a data folder"
rm "$work/elsewhere/game.hoopstack-replay"
before=$(find "$root" -newer "$work/install.log" | wc -l)

# With XDG_DATA_HOME.
(cd "$work/elsewhere" && HOME=$work/home XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run \
  "$here/installed_session.sh" "$work/shot-xdg.png" "$root/bin/hoopstack")
[ -s "$work/data/hoopstack/state.dat" ] || fail "no state.dat in \$XDG_DATA_HOME/hoopstack after the close"
"$root/bin/hoopstack-store" decode "$work/data/hoopstack/state.dat" > /dev/null ||
  fail "the state.dat in \$XDG_DATA_HOME/hoopstack cannot be decoded"

# Without it: below HOME.
(cd "$work/elsewhere" && env -u XDG_DATA_HOME HOME="$work/home" XDG_RUNTIME_DIR="$work/run" \
  "$here/installed_session.sh" "$work/shot-home.png" "$root/bin/hoopstack")
[ -s "$work/home/.local/share/hoopstack/state.dat" ] || fail "no state.dat in ~/.local/share/hoopstack after the close"

[ -z "$(ls -A "$work/elsewhere")" ] || fail "the program wrote into its working folder: $(ls -A "$work/elsewhere")"
after=$(find "$root" -newer "$work/install.log" | wc -l)
[ "$after" -eq "$before" ] || fail "the program wrote into its installed tree: $(find "$root" -newer "$work/install.log")"
echo "install e2e: ok"
