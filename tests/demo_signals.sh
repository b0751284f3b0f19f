#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# quorvane-demo, ended by SIGTERM, SIGINT or SIGHUP, removes its temporary folder and ends by that signal; it
# removes it too when its X server goes away under it (Qt then ends the process with exit status 1).
# Usage: demo_signals.sh path/to/quorvane-demo
set -euo pipefail
set -m  # background jobs keep SIGINT (without job control the shell ignores it for them)
demo="$1"
export QT_QPA_PLATFORM=offscreen
runtime="$(mktemp -d)"  # Qt's runtime folder, kept out of the demo's TMPDIR
trap 'rm -rf "$runtime"; [ -z "${xvfb:-}" ] || kill "$xvfb" 2>/dev/null || true' EXIT
# starts TMPDIR: runs the demo with its temporary folder in TMPDIR, once that folder holds its files.
starts() {
    tmp="$1"
    XDG_RUNTIME_DIR="$runtime" TMPDIR="$tmp" "$demo" &
    pid=$!
    for _ in $(seq 100); do
        compgen -G "$tmp/Quorvane-*/*.txt" >/dev/null && break
        sleep 0.1
    done
    compgen -G "$tmp/Quorvane-*/*.txt" >/dev/null || { echo "$2: no folder in $tmp"; kill -9 "$pid"; exit 1; }
    sleep 0.5  # into the event loop
}
# ended HOW STATUS: the demo has ended with STATUS and left nothing in its TMPDIR.
ended() {
    status=0
    wait "$pid" || status=$?
    left="$(ls -A "$tmp")"
    rm -rf "$tmp"
    [ -z "$left" ] || { echo "$1: left behind: $left"; exit 1; }
    [ "$status" -eq "$2" ] || { echo "$1: exit status $status, not $2"; exit 1; }
}
for signal in TERM INT HUP; do
    starts "$(mktemp -d)" "SIG$signal"
    kill -s "$signal" "$pid"
    ended "SIG$signal" $((128 + $(kill -l "$signal")))
done
display="$(mktemp)"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$display" ] && break; sleep 0.1; done
[ -s "$display" ] || { echo "Xvfb did not start"; exit 1; }
DISPLAY=":$(head -n1 "$display")" QT_QPA_PLATFORM=xcb starts "$(mktemp -d)" "display gone"
rm -f "$display"
kill "$xvfb"
ended "display gone" 1
echo "the folder went each time"
