#!/usr/bin/env bash
# Checks that every #include "folder/..." in src/ points down the layer stack:
# a folder may include its own files and those of the folders listed for it
# below, nothing else. Prints each offending file and line and exits 1.
#
# Usage: scripts/check-layers.sh [SRC_DIR]   (default: the src/ beside this script)
set -euo pipefail

# folder: the folders it may include, bottom of the stack first.
ALLOWED=(
  "base:"
  "platform: base"
  "serialization: base platform"
  "core: base platform serialization"
  "analysis: base platform serialization core"
  "model: base platform serialization core analysis"
  "plugin: base platform serialization core analysis model"
  "resources: base"
  "gui: base platform serialization core analysis model resources"
  "skin: base platform serialization core analysis model resources gui"
  "editor: base platform serialization core analysis model plugin resources gui skin"
  "host: base platform serialization core analysis model plugin resources gui skin editor hostlib"
  "lv2: base platform serialization core analysis model plugin resources gui skin editor host hostlib"
  "hostlib:"
)

src=${1:-"$(dirname "$0")/../src"}
if [ ! -d "$src" ]; then
  echo "check-layers: no such folder: $src" >&2
  exit 2
fi

declare -A allowed
for entry in "${ALLOWED[@]}"; do
  deps=${entry#*:}
  allowed[${entry%%:*}]=" ${deps# } "
done

status=0
while IFS= read -r -d '' file; do
  rel=${file#"$src"/}
  folder=${rel%%/*}
  if [ -z "${allowed[$folder]+set}" ]; then
    echo "$rel: folder '$folder' is not in the layer table of check-layers.sh"
    status=1
    continue
  fi
  lineno=0
  while IFS= read -r line; do
    lineno=$((lineno + 1))
    [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]] || continue
    target=${BASH_REMATCH[1]}
    [[ $target == */* ]] || continue # a file of the same folder
    to=${target%%/*}
    if [ "$to" != "$folder" ] && [[ ${allowed[$folder]} != *" $to "* ]]; then
      echo "$rel:$lineno: '$folder' may not include \"$target\" (allowed:${allowed[$folder]% })"
      status=1
    fi
  done < "$file"
done < <(find "$src" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' -o -name '*.inc' \) -print0 | sort -z)

if [ $status -eq 0 ]; then
  echo "check-layers: every include in $src points down the stack"
fi
exit $status
