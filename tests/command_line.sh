#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# --help and --version answer on standard output and exit, with no display to open; other options are refused.
# Usage: command_line.sh path/to/quorvane path/to/quorvane-demo
set -euo pipefail
unset DISPLAY WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb  # would abort had the program tried to open a window
for program in "$@"; do
    version="$("$program" --version 2>/dev/null)"
    [ "$version" = "Quorvane 6.0" ] || { echo "$program --version said: $version"; exit 1; }
    help="$("$program" --help 2>/dev/null)"
    grep -q -- "--version" <<<"$help" || { echo "$program --help said: $help"; exit 1; }
    if QT_QPA_PLATFORM=offscreen "$program" --no-such-option >/dev/null 2>&1; then
        echo "$program accepted --no-such-option"
        exit 1
    fi
done
grep -q "batch|single" <<<"$("${2}" --help)" || { echo "the demo's help names no mode"; exit 1; }
echo "both programs answered"
