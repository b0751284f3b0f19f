#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# quorvane-demo, ended by SIGTERM, SIGINT or SIGHUP, removes its temporary folder and ends by that signal; it
# removes it too when its X server goes away (Qt then ends it with exit status 1).
# Usage: demo_signals.sh path/to/quorvane-demo
set -euo pipefail
set -m  # background jobs keep SIGINT (without job control the shell ignores it for them)
demo="$1"
export QT_QPA_PLATFORM=offscreen
runtime="$(mktemp -d)"  # Qt's runtime folder, kept out of the demo's TMPDIR
trap 'rm -rf "$runtime"; [ -z "${xvfb:-}" ] || kill "$xvfb" 2>/dev/null || true' EXIT
for signal in TERM INT HUP display; do
    tmp="$(mktemp -d)"
    if [ "$signal" = display ]; then
        Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$runtime/display" >/dev/null 2>&1 &
        xvfb=$!
        for _ in $(seq 100); do [ -s "$runtime/display" ] && break; sleep 0.1; done
        export DISPLAY=":$(head -n1 "$runtime/display")" QT_QPA_PLATFORM=xcb
        # In the sanitized build: libxkbcommon-x11 hands strndup a buffer without a NUL, as strndup allows, and
        # what Qt's exit(1) leaves unfreed is no leak of ours.
        export ASAN_OPTIONS="${ASAN_OPTIONS:-}:strict_string_checks=0:detect_leaks=0"
    fi
    XDG_RUNTIME_DIR="$runtime" TMPDIR="$tmp" "$demo" &
    pid=$!
    for _ in $(seq 100); do
        compgen -G "$tmp/Quorvane-*/*.txt" >/dev/null && break
        sleep 0.1
    done
    compgen -G "$tmp/Quorvane-*/*.txt" >/dev/null || { echo "$signal: no folder in $tmp"; kill -9 "$pid"; exit 1; }
    sleep 0.5  # into the event loop
    if [ "$signal" = display ]; then
        kill "$xvfb"
        expected=1
    else
        kill -s "$signal" "$pid"
        expected=$((128 + $(kill -l "$signal")))
    fi
    status=0
    wait "$pid" || status=$?
    left="$(ls -A "$tmp")"
    rm -rf "$tmp"
    [ -z "$left" ] || { echo "$signal: left behind: $left"; exit 1; }
    [ "$status" -eq "$expected" ] || { echo "$signal: exit status $status, not $expected"; exit 1; }
done
echo "the folder went each time"
