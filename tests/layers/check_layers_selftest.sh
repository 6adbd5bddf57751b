#!/usr/bin/env bash
# Runs the layer check on small made-up trees: it must pass the allowed includes and name each
# forbidden one. Usage: check_layers_selftest.sh PATH/TO/check-layers.sh
set -uo pipefail
check=${1:?usage: check_layers_selftest.sh PATH/TO/check-layers.sh}

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Writes a source file whose lines are the given includes.
source_file() {
    local path=$tree/$1
    shift
    mkdir -p "$(dirname "$path")"
    printf '%s\n' "$@" >"$path"
}

# Runs the check on the tree, leaving its output in `output` and its exit status in `status`.
run_check() {
    output=$(bash "$check" "$tree" 2>&1)
    status=$?
}

# A good tree: earlier folders, own headers written both ways, a subfolder, a system header and a
# header that is only generated at build time.
source_file store/Crc.hpp '#pragma once' '#include <cstdint>'
source_file store/Crc.cpp '#include "Crc.hpp"' '#include "store/Crc.hpp"'
source_file platform/Os.hpp '#include "store/Crc.hpp"'
source_file platform/sdl/Sdl.cpp '#include "platform/Os.hpp"' '#include "../Os.hpp"' '#include <SDL.h>'
source_file engine/Window.hpp '#include "platform/Os.hpp"'
source_file engine/Window.cpp '#include "Window.hpp"' '  #  include "engine/Window.hpp"' \
    '#include "Version.hpp"'
source_file tools/assetgen/Draw.hpp '#include "engine/Window.hpp"'
source_file tools/assetgen/main.cpp '#include "Draw.hpp"' '#include "store/Crc.hpp"'

run_check
[ "$status" -eq 0 ] || fail "the good tree was refused (status $status): $output"
[ "$output" = "layers: ok (8 files)" ] || fail "unexpected report for the good tree: $output"

# One bad include: an earlier folder reaching up.
source_file platform/Bad.cpp '#include "engine/Window.hpp"'
run_check
[ "$status" -eq 1 ] || fail "the bad include passed (status $status)"
grep -qxF "platform/Bad.cpp includes engine/Window.hpp: platform may not use engine" <<<"$output" ||
    fail "the bad include was not named: $output"
[ "$(grep -c ' includes ' <<<"$output")" -eq 1 ] || fail "more than the bad include was reported: $output"
rm "$tree/platform/Bad.cpp"

# Store may use no other folder, even through a relative path.
source_file store/Table.cpp '#include "../platform/Os.hpp"'
run_check
[ "$status" -eq 1 ] || fail "store using platform passed (status $status)"
grep -qxF "store/Table.cpp includes platform/Os.hpp: store may not use platform" <<<"$output" ||
    fail "store using platform was not named: $output"
rm "$tree/store/Table.cpp"

# A later folder's header that does not exist yet is still refused.
source_file engine/Ahead.cpp '#include "ui/Button.hpp"'
run_check
[ "$status" -eq 1 ] || fail "an include of a missing later header passed (status $status)"
grep -qxF "engine/Ahead.cpp includes ui/Button.hpp: engine may not use ui" <<<"$output" ||
    fail "the missing later header was not named: $output"
rm "$tree/engine/Ahead.cpp"

# Nothing outside the layered folders may be used, tests included.
source_file tests/engine/Fixture.hpp '#pragma once'
source_file engine/Probe.cpp '#include "tests/engine/Fixture.hpp"'
run_check
[ "$status" -eq 1 ] || fail "an include from tests passed (status $status)"
grep -qxF "engine/Probe.cpp includes tests/engine/Fixture.hpp: engine may not use tests" <<<"$output" ||
    fail "the include from tests was not named: $output"
rm "$tree/engine/Probe.cpp"

# The server may use store and nothing else, and no other folder may use the server, though it
# comes early in the order.
source_file server/Board.cpp '#include "store/Crc.hpp"'
run_check
[ "$status" -eq 0 ] || fail "the server using store was refused (status $status): $output"
source_file server/Window.cpp '#include "engine/Window.hpp"'
source_file engine/Score.cpp '#include "server/Board.hpp"'
source_file server/Board.hpp '#pragma once'
run_check
[ "$status" -eq 1 ] || fail "the server's forbidden includes passed (status $status)"
grep -qxF "server/Window.cpp includes engine/Window.hpp: server may not use engine" <<<"$output" ||
    fail "the server using engine was not named: $output"
grep -qxF "engine/Score.cpp includes server/Board.hpp: engine may not use server" <<<"$output" ||
    fail "engine using the server was not named: $output"
rm "$tree/server/Window.cpp" "$tree/engine/Score.cpp"

# The rules come right after store: they may use store and the allowed value header (the
# rectangle), and no other header of a later folder.
source_file platform/Rect.hpp '#pragma once' '#include <algorithm>' '#include <cstdint>'
source_file rules/TGame.hpp '#include "store/Crc.hpp"' '#include "platform/Rect.hpp"' '#include <vector>'
source_file rules/TGame.cpp '#include "TGame.hpp"' '#include "rules/TGame.hpp"'
source_file scene/Clip.hpp '#include "rules/TGame.hpp"' '#include "platform/Rect.hpp"'
run_check
[ "$status" -eq 0 ] || fail "the rules using store and the rectangle were refused (status $status): $output"
source_file scene/OClip.hpp '#pragma once'
source_file rules/Court.cpp '#include "scene/OClip.hpp"' '#include "engine/Window.hpp"' '#include "platform/Os.hpp"'
source_file store/Rules.cpp '#include "rules/TGame.hpp"'
run_check
[ "$status" -eq 1 ] || fail "the rules' forbidden includes passed (status $status)"
grep -qxF "rules/Court.cpp includes scene/OClip.hpp: rules may not use scene" <<<"$output" ||
    fail "the rules using scene were not named: $output"
grep -qxF "rules/Court.cpp includes engine/Window.hpp: rules may not use engine" <<<"$output" ||
    fail "the rules using engine were not named: $output"
grep -qxF "rules/Court.cpp includes platform/Os.hpp: rules may not use platform" <<<"$output" ||
    fail "the rules using a platform header other than the rectangle were not named: $output"
grep -qxF "store/Rules.cpp includes rules/TGame.hpp: store may not use rules" <<<"$output" ||
    fail "store using the rules was not named: $output"
[ "$(grep -c ' includes ' <<<"$output")" -eq 4 ] || fail "more than the rules' bad includes were reported: $output"
rm "$tree/rules/Court.cpp" "$tree/store/Rules.cpp"

# The allowed value header must stay one: through it the rules would reach whatever it includes.
source_file platform/Rect.hpp '#pragma once' '#include "platform/Os.hpp"'
run_check
[ "$status" -eq 1 ] || fail "a value header including a folder's header passed (status $status)"
grep -qxF "platform/Rect.hpp includes platform/Os.hpp: a value header may use only the standard library" \
    <<<"$output" || fail "the value header's include was not named: $output"
source_file platform/Rect.hpp '#pragma once' '#include <cstdint>'

run_check
[ "$status" -eq 0 ] || fail "the repaired tree was refused (status $status): $output"

if [ "$failures" -gt 0 ]; then
    echo "layers self-test: $failures failure(s)"
    exit 1
fi
echo "layers self-test: ok"
