#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# quorvane-demo, ended by SIGTERM, SIGINT or SIGHUP, removes its temporary folder and ends by that signal.
# Usage: demo_signals.sh path/to/quorvane-demo
set -euo pipefail
set -m  # background jobs keep SIGINT (without job control the shell ignores it for them)
demo="$1"
export QT_QPA_PLATFORM=offscreen
runtime="$(mktemp -d)"  # Qt's runtime folder, kept out of the demo's TMPDIR
trap 'rm -rf "$runtime"' EXIT
for signal in TERM INT HUP; do
    tmp="$(mktemp -d)"
    XDG_RUNTIME_DIR="$runtime" TMPDIR="$tmp" "$demo" &
    pid=$!
    for _ in $(seq 100); do
        compgen -G "$tmp/Quorvane-*/*.txt" >/dev/null && break
        sleep 0.1
    done
    compgen -G "$tmp/Quorvane-*/*.txt" >/dev/null || { echo "SIG$signal: no folder in $tmp"; kill -9 "$pid"; exit 1; }
    sleep 0.5  # into the event loop
    kill -s "$signal" "$pid"
    status=0
    wait "$pid" || status=$?
    left="$(ls -A "$tmp")"
    rm -rf "$tmp"
    [ -z "$left" ] || { echo "SIG$signal: left behind: $left"; exit 1; }
    expected=$((128 + $(kill -l "$signal")))
    [ "$status" -eq "$expected" ] || { echo "SIG$signal: exit status $status, not $expected"; exit 1; }
done
echo "the folder went each time"
