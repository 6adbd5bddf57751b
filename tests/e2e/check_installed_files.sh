#!/usr/bin/env bash
# Checks an installed tree below PREFIX: the game and its two tools in BIN_DIR (bin, or games
# as in the Debian package), and no other program there; the data
# folders the game reads, the icons at every hicolor size (each PNG of its folder's size) and
# the scalable one, the desktop entry and the AppStream metadata (both validators must be
# silent but for pedantic notes), the replays' MIME type, the screenshots and the manual pages.
#
#     check_installed_files.sh PREFIX [BIN_DIR]
set -euo pipefail
prefix=${1:?usage: check_installed_files.sh PREFIX [BIN_DIR]}
bin_dir=${2:-bin}
id=io.github.hoopstack.Hoopstack
problems=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "installed files: $*" >&2; problems=$((problems + 1)); }
need() { { [ -f "$prefix/$1" ] && [ -s "$prefix/$1" ]; } || fail "missing or empty: $prefix/$1"; }

for program in hoopstack hoopstack-clip hoopstack-store; do
  [ -x "$prefix/$bin_dir/$program" ] || fail "no program $prefix/$bin_dir/$program"
done
# Only checked where the tree is ours alone: /usr holds the whole system's programs.
if [ "$prefix" != /usr ]; then
  extra=$(find "$prefix/$bin_dir" -mindepth 1 ! -name hoopstack ! -name hoopstack-clip ! -name hoopstack-store)
  [ -z "$extra" ] || fail "more programs than the three in $prefix/$bin_dir: $extra"
fi

for folder in CLP SKINS WAV; do
  [ -d "$prefix/share/hoopstack/$folder" ] || fail "no data folder $prefix/share/hoopstack/$folder"
done
need share/hoopstack/CLP/def_btn.clp
need share/hoopstack/SKINS/1.clp
need share/hoopstack/WAV/start.wav
need share/hoopstack/icons/hoopstack-window.clp
# The translations, where the installed program looks for them (share/locale beside share/hoopstack).
need share/locale/de/LC_MESSAGES/hoopstack.mo
need share/hoopstack/CLP/de/btNew.clp
need share/hoopstack/SKINS/nl/scbox.clp
for shot in game top10 options; do need "share/hoopstack/screenshots/$shot.png"; done

for size in 16 22 24 32 48 64 128 256; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
  if [ -f "$icon" ]; then
    got=$(identify -format '%wx%h' "$icon")
    [ "$got" = "${size}x${size}" ] || fail "$icon is $got"
  else
    fail "no icon $icon"
  fi
done
svg=$prefix/share/icons/hicolor/scalable/apps/$id.svg
if [ -f "$svg" ]; then
  # The same design as the PNG icons: rendered at 256 pixels it matches the 256-pixel one.
  if rsvg-convert -w 256 -h 256 "$svg" -o "$scratch/svg.png" 2>/dev/null; then
    differ=$(compare -metric AE -fuzz 5% "$scratch/svg.png" \
      "$prefix/share/icons/hicolor/256x256/apps/$id.png" null: 2>&1 || true)
    { [[ "$differ" =~ ^[0-9]+$ ]] && [ "$differ" -lt 650 ]; } ||
      fail "$svg rendered at 256 pixels differs from the 256-pixel icon in $differ pixels"
  else
    fail "rsvg-convert cannot render $svg"
  fi
else
  fail "no icon $svg"
fi

desktop=$prefix/share/applications/$id.desktop
if [ -f "$desktop" ]; then
  said=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate failed on $desktop"
  [ -z "$said" ] || fail "desktop-file-validate: $said"
  grep -qx 'Categories=Game;LogicGame;' "$desktop" || fail "$desktop is not in Game;LogicGame;"
  grep -qx "Icon=$id" "$desktop" || fail "$desktop names another icon than $id"
  grep -qx 'MimeType=application/x-hoopstack-replay;' "$desktop" || fail "$desktop does not open replays"
  # A launcher given no file leaves "--replay=", which starts the game as usual.
  grep -qx 'Exec=hoopstack --replay=%f' "$desktop" || fail "$desktop does not pass the replay file: $(grep '^Exec=' "$desktop")"
else
  fail "no desktop entry $desktop"
fi

# The replays' type: a database built from the installed package alone gives it to a
# *.hoopstack-replay file, as the desktop's file type lookup (GLib's, through xdg-mime) sees it.
mime=$prefix/share/mime/packages/$id.xml
if [ -f "$mime" ]; then
  mkdir -p "$scratch/share/mime/packages"
  cp "$mime" "$scratch/share/mime/packages/"
  said=$(XDG_DATA_DIRS=$scratch/share update-mime-database "$scratch/share/mime" 2>&1) || fail "update-mime-database failed on $mime: $said"
  [ -z "$said" ] || fail "update-mime-database warns on $mime: $said"
  printf 'AQID\n' > "$scratch/game.hoopstack-replay"
  type=$(XDG_DATA_DIRS=$scratch/share XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype "$scratch/game.hoopstack-replay" 2>&1 || true)
  [ "$type" = application/x-hoopstack-replay ] || fail "a *.hoopstack-replay file is of type '$type' with $mime"
else
  fail "no MIME package $mime"
fi

metainfo=$prefix/share/metainfo/$id.metainfo.xml
if [ -f "$metainfo" ]; then
  # The screenshots' addresses are not fetched: the check runs without a network. --strict
  # fails on every issue above the pedantic ones.
  said=$(appstreamcli validate --no-net --strict "$metainfo" 2>&1) || fail "appstreamcli validate: $said"
  grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "$metainfo does not launch $id.desktop"
else
  fail "no AppStream metadata $metainfo"
fi

for page in man6/hoopstack.6 man1/hoopstack-clip.1 man1/hoopstack-store.1; do
  file=$prefix/share/man/$page.gz
  if [ -f "$file" ]; then
    said=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$file" 2>&1 >/dev/null) || fail "man cannot show $file"
    [ -z "$said" ] || fail "man warns on $file: $said"
  else
    fail "no manual page $file"
  fi
done
need share/doc/hoopstack/copyright
need share/doc/hoopstack/changelog.gz

[ "$problems" -eq 0 ] || exit 1
echo "installed files: all in place below $prefix"
