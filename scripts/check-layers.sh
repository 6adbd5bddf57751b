#!/usr/bin/env bash
# Checks that every source folder includes only its own headers and those of the folders before it.
# Usage: check-layers.sh [ROOT]   (ROOT defaults to the folder above this script)
# Prints one line per forbidden include and exits 1, or prints "layers: ok (N files)" and exits 0.
set -uo pipefail

# The folders from the bottom up; each may use only the ones before it, store none at all.
layers=(store rules server platform scene engine ui game app tools)
# Folders that stand on their own: no other folder may use them, though they come early in the
# order (the score server uses only store and rules, and knows no window).
leaves=(server)
# Header-only value types of later folders that a folder may still use: the rules know no window,
# but may speak of a rectangle. Each entry is "folder:header".
values=(rules:platform/Rect.hpp)

root=${1:-"$(dirname "${BASH_SOURCE[0]}")/.."}
if [ ! -d "$root" ]; then
    echo "check-layers: no such folder: $root" >&2
    exit 2
fi
root=$(cd "$root" && pwd)

# The position of each layer in the order; a name missing here is no layer.
declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done
declare -A leaf
for name in "${leaves[@]}"; do leaf[$name]=1; done
declare -A value
for entry in "${values[@]}"; do value[$entry]=1; done

# Sets `resolved` to a slash-separated relative path without its "." and "dir/.." parts.
normalise() {
    local part parts out=()
    IFS=/ read -ra parts <<<"$1"
    for part in "${parts[@]}"; do
        case "$part" in
        '' | .) ;;
        ..) if [ ${#out[@]} -gt 0 ]; then unset 'out[${#out[@]}-1]'; else out+=(..); fi ;;
        *) out+=("$part") ;;
        esac
    done
    local IFS=/
    resolved="${out[*]}"
}

# Sets `resolved` to where an include written in `file` (relative to root) leads, relative to root.
# Quoted includes are looked up next to the including file first, as the compiler does, then from
# the root; an include found in neither place (a system or generated header) leads nowhere unless
# it starts with a layer's name.
resolve() {
    local dir=${1%/*} quote=$2 name=$3
    resolved=
    if [ "$quote" = '"' ] && [ -f "$root/$dir/$name" ]; then
        normalise "$dir/$name"
    elif [ -f "$root/$name" ]; then
        normalise "$name"
    elif [ "$quote" = '"' ] && [[ $name == */* ]] && [ -n "${rank[${name%%/*}]:-}" ]; then
        normalise "$name"
    fi
}

files=()
for layer in "${layers[@]}"; do
    [ -d "$root/$layer" ] || continue
    while IFS= read -r -d '' path; do
        files+=("${path#"$root"/}")
    done < <(find "$root/$layer" -type f \( -name '*.cpp' -o -name '*.hpp' \) -print0 | sort -z)
done

include_pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*([<"])([^">]+)[">]'
violations=0
for file in "${files[@]}"; do
    own=${file%%/*}
    own_rank=${rank[$own]}
    while IFS= read -r line; do
        [[ $line =~ $include_pattern ]] || continue
        quote=${BASH_REMATCH[1]}
        resolve "$file" "$quote" "${BASH_REMATCH[2]}"
        target=$resolved
        [ -n "$target" ] || continue
        used=${target%%/*}
        [ "$used" = "$own" ] && continue
        [ -n "${value[$own:$target]:-}" ] && continue
        used_rank=${rank[$used]:-}
        if [ -z "$used_rank" ] || [ "$used_rank" -gt "$own_rank" ] || [ -n "${leaf[$used]:-}" ]; then
            echo "$file includes $target: $own may not use $used"
            violations=$((violations + 1))
        elif [[ $target != *.hpp && $target != *.h ]]; then
            echo "$file includes $target: $own may use only the headers of $used"
            violations=$((violations + 1))
        fi
    done < <(grep -E "$include_pattern" "$root/$file")
done

# A value header stays a value type: it may include the standard library and nothing else, so that
# the folder allowed to use it gets nothing more through it.
for entry in "${values[@]}"; do
    header=${entry#*:}
    [ -f "$root/$header" ] || continue
    while IFS= read -r line; do
        [[ $line =~ $include_pattern ]] || continue
        resolve "$header" "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}"
        [ -n "$resolved" ] || continue
        echo "$header includes $resolved: a value header may use only the standard library"
        violations=$((violations + 1))
    done < <(grep -E "$include_pattern" "$root/$header")
done

if [ "$violations" -gt 0 ]; then
    echo "layers: $violations forbidden include(s) in ${#files[@]} files" >&2
    exit 1
fi
echo "layers: ok (${#files[@]} files)"
