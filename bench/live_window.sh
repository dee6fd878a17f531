#!/usr/bin/env bash
# Runs tesqv-bench-live in a real window on a virtual X display of 1920 x 1080, with settings
# of its own. Usage: live_window.sh TESQV-BENCH-LIVE ARGS...
set -u
number=$(mktemp)
home=$(mktemp -d)
export HOME=$home XDG_CONFIG_HOME=$home/config
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait 2>/dev/null; rm -rf "$number" "$home"' EXIT
for _ in $(seq 1 200); do [ -s "$number" ] && break; sleep 0.1; done
[ -s "$number" ] || { echo "Xvfb did not start"; exit 1; }
DISPLAY=:$(tr -d '[:space:]' < "$number") QT_QPA_PLATFORM=xcb "$@"
