#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The layers hold: no include climbs out of its library's folder, and a file of a lower library that
# tries to include a header of a higher one does not compile.
# Usage: layers.sh SOURCE_DIR COMPILER LOGIC_INCLUDES PLATFORM_INCLUDES (include lists ;-separated)
set -euo pipefail
root=$1 cxx=$2
IFS=';' read -r -a logic <<<"$3"
IFS=';' read -r -a platform <<<"$4"
fail=0

# A path that climbs ("../window/form1.h") or starts at / would slip past the include folders.
if climbs=$(cd "$root" && grep -rnE '#include "(\.\./|/)' src tests tools bench fuzz); then
    echo "layers: includes that climb out of their library's folder:" >&2
    echo "$climbs" >&2
    fail=1
fi

probe=$(mktemp --suffix=.cpp)
trap 'rm -f "$probe"' EXIT
# compiles HEADER LIBRARY INCLUDES...: whether a file that includes only HEADER compiles with the flags.
compiles() {
    local header=$1 flags=()
    shift
    for dir in "$@"; do
        [ -n "$dir" ] && flags+=("-I$dir")
    done
    printf '#include "%s"\n' "$header" >"$probe"
    "$cxx" -std=c++20 -fsyntax-only -fPIC "${flags[@]}" "$probe" 2>/dev/null
}
expect() {
    local want=$1 what=$2 header=$3
    shift 3
    if compiles "$header" "$@"; then got=yes; else got=no; fi
    if [ "$got" != "$want" ]; then
        echo "layers: $what: including \"$header\" should $([ "$want" = yes ] || echo not) compile" >&2
        fail=1
    fi
}
expect yes "logic" "batch/page_parsers.h" "${logic[@]}"
# The history's SQL stays inside it: its headers need no Qt SQL.
expect yes "logic" "history/history_store.h" "${logic[@]}"
expect no "logic" "form1.h" "${logic[@]}"
expect no "logic" "ui_services.h" "${logic[@]}"
expect no "logic" "QWidget" "${logic[@]}"
expect yes "platform" "ui_services.h" "${platform[@]}"
expect no "platform" "form1.h" "${platform[@]}"
expect no "platform" "list_model.h" "${platform[@]}"
[ "$fail" -eq 0 ] && echo "layers: every include stays in its layer"
exit "$fail"
