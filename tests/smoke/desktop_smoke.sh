#!/usr/bin/env bash
# Starts the real tesqv on a trace under a virtual X display, waits for its window by name and
# takes a screenshot. Usage: desktop_smoke.sh TESQV TRACE OUT.xwd
set -u
tesqv=$1 trace=$2 shot=$3
display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1400x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $app $xvfb 2>/dev/null; wait 2>/dev/null' EXIT
app=0
for _ in $(seq 1 200); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
log=$(mktemp)
DISPLAY=$display "$tesqv" "$trace" >"$log" 2>&1 &
app=$!
title="osc - $(basename "$trace")"
for _ in $(seq 1 300); do
  window=$(DISPLAY=$display xdotool search --name "^${title}\$" 2>/dev/null | head -1)
  [ -n "$window" ] && break
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
if [ -z "${window:-}" ]; then echo "no window named '$title'; tesqv said:"; cat "$log"; exit 1; fi
sleep 0.5
DISPLAY=$display xwd -id "$window" -silent > "$shot" || exit 1
[ -s "$shot" ] || { echo "empty screenshot"; exit 1; }
echo "window '$title' shown; screenshot in $shot"
