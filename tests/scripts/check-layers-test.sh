#!/usr/bin/env bash
# The layer check passes a tree whose includes point down and fails, naming
# file and line, on an include that points up, sideways or out of hostlib.
set -euo pipefail
script="$(cd "$(dirname "$0")/../.." && pwd)/scripts/check-layers.sh"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

mkdir -p "$tree"/{base,core,analysis,model,plugin,hostlib,host/module}
printf '#pragma once\n' > "$tree/base/FourCC.h"
printf '#include "base/FourCC.h"\n#include "core/Local.h"\n#include "Same.h"\n#include <vector>\n' > "$tree/core/Ok.cpp"
printf '#include "plugin/Quarvix.h"\n#include "core/Ok.h"\n' > "$tree/host/module/Entry.cpp"
printf '#include "hostlib/Engine.h"\n' > "$tree/host/Group.h"

out=$("$script" "$tree") || fail "a clean tree was refused: $out"

# Upward: core takes the plug-in object.
printf '// plug-in\n#include "base/FourCC.h"\n  #  include "plugin/Quarvix.h"\n' > "$tree/core/Up.cpp"
# Sideways at the same height is as bad: analysis is below model.
printf '#include "model/QVXSpecConfig.h"\n' > "$tree/analysis/Side.h"
# hostlib stands apart.
printf '#include "base/FourCC.h"\n' > "$tree/hostlib/Engine.h"
set +e
out=$("$script" "$tree"); status=$?
set -e
[ $status -eq 1 ] || fail "exit status $status, expected 1"
grep -q '^core/Up.cpp:3: ' <<<"$out" || fail "upward include not named with its line: $out"
grep -q '^analysis/Side.h:1: ' <<<"$out" || fail "sideways include not reported: $out"
grep -q '^hostlib/Engine.h:1: ' <<<"$out" || fail "hostlib include not reported: $out"
[ "$(grep -c ': ' <<<"$out")" -eq 3 ] || fail "allowed includes reported as well: $out"

# A folder the table does not know is reported rather than waved through.
rm "$tree/core/Up.cpp" "$tree/analysis/Side.h" "$tree/hostlib/Engine.h"
mkdir "$tree/extras" && printf '#include "base/FourCC.h"\n' > "$tree/extras/X.cpp"
set +e
out=$("$script" "$tree"); status=$?
set -e
[ $status -eq 1 ] && grep -q "^extras/X.cpp: folder 'extras'" <<<"$out" || fail "unknown folder passed: $out"
echo "check-layers script: all cases passed"
