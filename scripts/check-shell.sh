#!/usr/bin/env bash
# Runs shellcheck over every shell script of the tree: the files ending in .sh and those whose
# first line names bash or sh, outside build folders. In a git checkout the files git knows,
# elsewhere every file below the root. Sourced files are followed from the root.
#
#     scripts/check-shell.sh [ROOT]
set -euo pipefail
root=$(cd "${1:-$(dirname "$0")/..}" && pwd)
cd "$root"
command -v shellcheck >/dev/null || { echo "check-shell: shellcheck is missing (scripts/setup.sh --test installs it)" >&2; exit 1; }
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  list() { git ls-files --cached --others --exclude-standard; }
else
  list() { find . -path './build*' -prune -o -path ./.git -prune -o -type f -print | sed 's|^\./||'; }
fi
scripts=()
while IFS= read -r file; do
  [ -f "$file" ] || continue
  case "$file" in
    build*/*) continue ;;
    *.sh) scripts+=("$file") ;;
    *) head -n 1 "$file" 2>/dev/null | grep -Eq '^#!.*[/ ](ba)?sh( |$)' && scripts+=("$file") ;;
  esac
done < <(list)
[ ${#scripts[@]} -gt 0 ] || { echo "check-shell: no shell scripts found below $root" >&2; exit 1; }
shellcheck -x "${scripts[@]}"
echo "check-shell: ${#scripts[@]} scripts pass shellcheck"
