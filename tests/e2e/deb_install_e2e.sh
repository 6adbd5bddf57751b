#!/usr/bin/env bash
# The Debian package on this machine: `dpkg -i` must put every file in place under /usr, the
# installed /usr/games/hoopstack (Debian keeps games and their tools there), started from an unrelated folder
# with a scratch HOME and closed in order, must save in ~/.local/share/hoopstack, and so must the command of the
# desktop entry's Exec= line; the system's MIME database must give *.hoopstack-replay files
# their type and the desktop entry as their application (the package's triggers), and with
# E2E_WRITE_REPLAY (the test build's tool) a recorded replay opened as a desktop opens it must
# play in the installed program; `dpkg -r` must take the program away and leave the saves.
# Installs into the running system, so it needs root and is run by .ci/run, not by ctest.
# Whatever happens, the package is removed again at the end. Needs Xvfb, xdotool,
# ImageMagick, desktop-file-utils, appstream, shared-mime-info, xdg-utils and gio.
#
#     deb_install_e2e.sh PACKAGE.deb [E2E_WRITE_REPLAY]
set -euo pipefail
deb=${1:?usage: deb_install_e2e.sh PACKAGE.deb [E2E_WRITE_REPLAY]}
write_replay=${2:-}
[ -f "$deb" ] || { echo "deb e2e: no package $deb" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "deb e2e: dpkg -i needs root" >&2; exit 1; }
deb=$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")
here=$(cd "$(dirname "$0")" && pwd)
package=$(dpkg-deb --field "$deb" Package)
if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
  echo "deb e2e: $package is installed already; this check installs and removes it itself" >&2
  exit 1
fi
work=$(mktemp -d)
installed=
finish() {
  local status=$?
  if [ -n "$installed" ]; then
    dpkg -r "$package" > /dev/null 2>&1 || dpkg --purge --force-all "$package" > /dev/null 2>&1 || true
  fi
  rm -rf "$work"
  exit "$status"
}
trap finish EXIT
trap 'exit 143' TERM INT HUP
fail() { echo "deb e2e: $*" >&2; exit 1; }

installed=yes
# A package that needs what is not installed is a failure; apt is not asked to mend it.
dpkg -i "$deb" > "$work/dpkg-i.log" 2>&1 || fail "dpkg -i failed: $(tail -n 10 "$work/dpkg-i.log")"
echo "deb e2e: installed $(dpkg-query -W -f='${Package} ${Version}' "$package")"
"$here/check_installed_files.sh" /usr games
for file in /usr/games/hoopstack /usr/share/hoopstack/CLP/def_btn.clp /usr/share/man/man6/hoopstack.6.gz; do
  dpkg -S "$file" > /dev/null 2>&1 || fail "$file does not belong to $package"
done
{ file -L /usr/games/hoopstack | grep -q 'stripped' && ! file -L /usr/games/hoopstack | grep -q 'not stripped'; } ||
  fail "/usr/games/hoopstack is not stripped: $(file -L /usr/games/hoopstack)"

mkdir -p "$work/elsewhere" "$work/home" "$work/run"
chmod 700 "$work/run"
saves=$work/home/.local/share/hoopstack
(cd "$work/elsewhere" && env -u XDG_DATA_HOME HOME="$work/home" XDG_RUNTIME_DIR="$work/run" \
  "$here/installed_session.sh" "$work/shot-bin.png" /usr/games/hoopstack)
[ -s "$saves/state.dat" ] || fail "no state.dat in ~/.local/share/hoopstack after the close"
/usr/games/hoopstack-store decode "$saves/state.dat" > "$work/state-1.txt" || fail "the saved state.dat cannot be decoded"

# The desktop's way: the Exec= line of the installed entry, field codes dropped, from HOME,
# with the search path of a Debian user's session (without /usr/local, so that it is this
# package's program that starts).
desktop=/usr/share/applications/io.github.hoopstack.Hoopstack.desktop
exec_line=$(sed -n 's/^Exec=//p' "$desktop" | head -n 1 | sed 's/ *%[fFuUdDnNickvm]//g')
[ -n "$exec_line" ] || fail "no Exec= line in $desktop"
rm -f "$saves/state.dat"
(cd "$work/home" && env -u XDG_DATA_HOME HOME="$work/home" XDG_RUNTIME_DIR="$work/run" PATH=/usr/bin:/bin:/usr/games \
  "$here/installed_session.sh" "$work/shot-desktop.png" sh -c "exec $exec_line")
[ -s "$saves/state.dat" ] || fail "no state.dat after the program started by the desktop entry's '$exec_line' closed"
echo "deb e2e: the desktop entry's '$exec_line' starts the game and it saves"

# The replays' type in the system's databases, as a desktop looks it up (GLib's, through
# xdg-mime), and the game as the application that opens it.
mime=application/x-hoopstack-replay
printf 'AQID\n' > "$work/elsewhere/any.hoopstack-replay"
type=$(XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype "$work/elsewhere/any.hoopstack-replay" 2>&1 || true)
[ "$type" = "$mime" ] || fail "a *.hoopstack-replay file is of type '$type' after the install"
grep -q "^$mime=.*io.github.hoopstack.Hoopstack.desktop" /usr/share/applications/mimeinfo.cache ||
  fail "the desktop database does not open $mime with the game"
default=$(env -u XDG_CURRENT_DESKTOP HOME="$work/home" xdg-mime query default "$mime" 2>&1 || true)
[ "$default" = io.github.hoopstack.Hoopstack.desktop ] || fail "xdg-mime opens $mime with '$default'"
rm "$work/elsewhere/any.hoopstack-replay"
echo "deb e2e: *.hoopstack-replay is $type, opened by $default"
if [ -n "$write_replay" ]; then
  "$write_replay" 0 42 6 "$work/elsewhere/game.hoopstack-replay" > /dev/null || fail "cannot record a replay"
  # The games played above keep their saves; watching a replay must leave them as they are.
  saved_before=$(cd "$saves" && md5sum ./*.dat)
  (cd "$work/home" && env -u XDG_DATA_HOME HOME="$work/home" XDG_RUNTIME_DIR="$work/run" PATH=/usr/bin:/bin:/usr/games \
    "$here/installed_replay.sh" "$work/shot-replay.png" "$work/elsewhere/game.hoopstack-replay")
  [ "$(cd "$saves" && md5sum ./*.dat)" = "$saved_before" ] || fail "watching the replay changed the saves: $(ls "$saves")"
fi

dpkg -r "$package" > "$work/dpkg-r.log" 2>&1 || fail "dpkg -r failed: $(tail -n 10 "$work/dpkg-r.log")"
installed=
[ ! -e /usr/games/hoopstack ] || fail "/usr/games/hoopstack is still there after dpkg -r"
{ [ ! -e /usr/games/hoopstack-clip ] && [ ! -e /usr/games/hoopstack-store ]; } || fail "the tools are still there after dpkg -r"
[ ! -e /usr/share/hoopstack ] || fail "/usr/share/hoopstack is still there after dpkg -r"
[ -s "$saves/state.dat" ] || fail "the player's state.dat went with dpkg -r"
! grep -q "^$mime=" /usr/share/applications/mimeinfo.cache 2>/dev/null || fail "the desktop database still opens $mime after dpkg -r"
[ ! -e /usr/share/mime/packages/io.github.hoopstack.Hoopstack.xml ] || fail "the MIME package is still there after dpkg -r"
echo "deb e2e: ok (removed; the saves in ~/.local/share/hoopstack remain)"
