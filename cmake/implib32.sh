#!/usr/bin/env bash
# Rebuilds the 32-bit import library of a DLL whose .def file lists its
# exports undecorated. Callers compiled against the header reference the
# __stdcall names (_Name@N); the import library made from the .def knows only
# Name. The decorations are read from the DLL's own symbol table, so the .def
# file stays the one list of exports.
#   implib32.sh NM DLLTOOL DEF DLL IMPLIB
set -eu
nm=$1 dlltool=$2 def=$3 dll=$4 implib=$5
symbols=$("$nm" --defined-only "$dll")
generated=$implib.def
{
  echo "LIBRARY $(basename "$dll")"
  echo "EXPORTS"
  sed -n 's/^[[:space:]]*\([A-Za-z_][A-Za-z0-9_]*\)[[:space:]]*$/\1/p' "$def" | grep -v -x -E 'EXPORTS|LIBRARY' | while read -r name; do
    decorated=$(printf '%s\n' "$symbols" | sed -n "s/^[0-9a-f]* T _\\(${name}@[0-9]*\\)\$/\\1/p" | head -n 1)
    echo "  ${decorated:-$name}"
  done
} >"$generated"
"$dlltool" --kill-at --input-def "$generated" --dllname "$(basename "$dll")" --output-lib "$implib"
