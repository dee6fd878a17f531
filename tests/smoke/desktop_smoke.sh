#!/usr/bin/env bash
# Starts the real tesqv on a trace under a virtual X display, waits for its window by name and
# takes a screenshot. Usage: desktop_smoke.sh TESQV TRACE OUT.xwd
set -u
tesqv=$1 trace=$2 shot=$3
# Xvfb picks a free display itself and writes its number once it accepts clients.
number=$(mktemp)
# Settings of its own, so that no other run's window layout or recent files reach this one.
home=$(mktemp -d)
export HOME=$home XDG_CONFIG_HOME=$home/config
Xvfb -displayfd 3 -screen 0 1400x900x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
xvfb=$!
app=0
trap 'kill $app $xvfb 2>/dev/null; wait 2>/dev/null; rm -rf "$number" "$home"' EXIT
for _ in $(seq 1 200); do [ -s "$number" ] && break; sleep 0.1; done
[ -s "$number" ] || { echo "Xvfb did not start"; exit 1; }
display=:$(tr -d '[:space:]' < "$number")
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
# Two clicks in the plot select a range; a typed goto moves the view.
export DISPLAY=$display
xdotool mousemove --window "$window" 300 300 click 1 sleep 0.2 mousemove --window "$window" 600 300 click 1 sleep 0.2
xdotool type --window "$window" --delay 20 "goto 120"
xdotool key --window "$window" Return
sleep 0.5
kill -0 "$app" 2>/dev/null || { echo "tesqv ended during the clicks and typing:"; cat "$log"; exit 1; }
xwd -id "$window" -silent > "$shot" || exit 1
[ -s "$shot" ] || { echo "empty screenshot"; exit 1; }
echo "window '$title' shown; screenshot in $shot"
