#!/usr/bin/env bash
# Checks the translations: every text the program marks (ui::Tr, TrLater, TrFormat, TrCount; the
# asset generator's ArtText and ArtWords for the words in pictures), and
# those of the desktop entry and the AppStream metadata, is in po/hoopstack.pot; every po/LANG.po
# compiles with its format directives and plural forms checked (msgfmt -c) and answers for the
# template's texts and in the code page the game draws; po/LINGUAS names exactly the languages
# there are.
#
#     scripts/check-translations.sh [ROOT]            check; exit 1 with the faults on failure
#     scripts/check-translations.sh --update [ROOT]   write po/hoopstack.pot from the sources
set -euo pipefail
update=false
if [ "${1:-}" = --help ]; then sed -n '2,7p' "$0" | sed 's/^# \{0,1\}//'; exit 0; fi
if [ "${1:-}" = --update ]; then update=true; shift; fi
root=$(cd "${1:-$(dirname "$0")/..}" && pwd)
cd "$root"
for tool in xgettext msgfmt msgcmp msgcat msgconv; do
  command -v "$tool" >/dev/null || { echo "check-translations: $tool is missing (scripts/setup.sh installs gettext)" >&2; exit 1; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The marked texts of the program, in a stable order.
# The words drawn into the pictures (tools/assetgen) are among them.
find app game ui tools/assetgen -name '*.cpp' -o -name '*.hpp' | LC_ALL=C sort >"$scratch/sources"
xgettext --language=C++ --from-code=UTF-8 --keyword= --keyword=Tr --keyword=TrLater --keyword=TrFormat \
  --keyword=ArtText --keyword=ArtWords \
  --keyword=TrCount:1,2 --package-name=hoopstack --sort-by-file --no-location \
  --add-comments=Translators: --files-from="$scratch/sources" -o "$scratch/program.pot" 2>&1 |
  grep -v -e 'msgid-bugs-address' -e 'Makevars' -e 'MSGID_BUGS_ADDRESS' -e 'msgid-bugs-address command line' >&2 || true
# The desktop entry's and the AppStream metadata's texts, which msgfmt --desktop and --xml take
# from the same catalogues. The program's name stays as it is.
xgettext --language=Desktop --keyword= --keyword=GenericName --keyword=Comment --keyword=Keywords --no-location \
  -o "$scratch/desktop.pot" packaging/io.github.hoopstack.Hoopstack.desktop
its=$(find /usr/share/gettext*/its -name metainfo.its 2>/dev/null | head -n 1)
[ -n "$its" ] || { echo "check-translations: gettext's metainfo.its is missing" >&2; exit 1; }
xgettext --its="$its" --no-location -o "$scratch/metainfo.pot" packaging/io.github.hoopstack.Hoopstack.metainfo.xml.in
msgcat --use-first --sort-by-file "$scratch/program.pot" "$scratch/desktop.pot" "$scratch/metainfo.pot" \
  -o "$scratch/hoopstack.pot"
if $update; then
  # The creation date would change the file at every run; the texts are what counts.
  sed '/^"POT-Creation-Date:/d' "$scratch/hoopstack.pot" >po/hoopstack.pot
  echo "check-translations: wrote po/hoopstack.pot ($(grep -c '^msgid ' po/hoopstack.pot) entries)"
  exit 0
fi

faults=0
[ -f po/hoopstack.pot ] || { echo "check-translations: po/hoopstack.pot is missing" >&2; exit 1; }
# Every text of the program is in the template (msgcmp: each msgid of the second is in the first).
if ! msgcmp --use-untranslated po/hoopstack.pot "$scratch/hoopstack.pot" 2>"$scratch/missing"; then
  echo "check-translations: texts of the program missing from po/hoopstack.pot (run $0 --update):" >&2
  grep -o 'this message is used but not defined.*\|msgid ".*' "$scratch/missing" >&2 || cat "$scratch/missing" >&2
  faults=1
fi
# And the template holds no text the program no longer has.
if ! msgcmp --use-untranslated "$scratch/hoopstack.pot" po/hoopstack.pot 2>"$scratch/stale"; then
  echo "check-translations: po/hoopstack.pot holds texts the program no longer has (run $0 --update)" >&2
  faults=1
fi
linguas=$(find po -name '*.po' -printf '%f\n' | sed 's/\.po$//' | LC_ALL=C sort | paste -sd ' ')
if [ "$(tr '\n' ' ' <po/LINGUAS 2>/dev/null | xargs)" != "$linguas" ]; then
  echo "check-translations: po/LINGUAS must name exactly the languages of po/: $linguas" >&2
  faults=1
fi
for po in po/*.po; do
  [ -e "$po" ] || continue
  if ! msgfmt -c --check-format -o /dev/null "$po" 2>"$scratch/msgfmt"; then
    echo "check-translations: $po does not compile with its formats and plural forms checked:" >&2
    cat "$scratch/msgfmt" >&2
    faults=1
  fi
  # The game draws code page 1252 for now, so a translation must fit in it.
  if ! msgconv -t CP1252 -o /dev/null "$po" 2>"$scratch/conv"; then
    echo "check-translations: $po holds characters the game cannot draw yet (code page 1252):" >&2
    head -n 3 "$scratch/conv" >&2
    faults=1
  fi
  # A translation answers for the template's texts: none left out, none of its own.
  if ! msgcmp --use-untranslated "$po" po/hoopstack.pot 2>"$scratch/cmp"; then
    echo "check-translations: $po lacks texts of po/hoopstack.pot (msgmerge it):" >&2
    head -n 5 "$scratch/cmp" >&2
    faults=1
  fi
done
[ "$faults" -eq 0 ] || exit 1
echo "check-translations: ok ($(grep -c '^msgid ' po/hoopstack.pot) texts, $(find po -name '*.po' | wc -l) languages)"
