#!/usr/bin/env bash
# `make run`'s script: without a display it says so; with one it starts the
# simulator and the program, and ending the program stops the simulator.
source "$(dirname "$0")/lib.sh" "$1" run_script
e2e_begin
repo=$E2E_SOURCE

if out=$(env -u DISPLAY -u WAYLAND_DISPLAY TORVIK_BUILD_DIR="$E2E_BUILD" bash "$repo/scripts/run" 2>&1); then
    fail "scripts/run succeeded without a display"
fi
grep -q "no display" <<<"$out" || fail "scripts/run without a display said: $out"

start_x
start_tray
TORVIK_BUILD_DIR=$E2E_BUILD bash "$repo/scripts/run" >"$E2E_ARTEFACTS/run.log" 2>&1 &
PROGRAM_PID=$!
remember_pid $PROGRAM_PID
wait_for_icon 60 || fail "make run showed no tray icon"
# The icon starts green; the balloon marks the first verdict, and a green icon
# after it means the link opened.
wait_for 40 '[ -n "$(balloon)" ]' || fail "make run's program announced no link state"
icon_is_green || fail "make run's program did not open the simulator ($(icon_colour))"
bridges=$TORVIK_RUNTIME_DIR/torvik-bridges
[ -n "$(ls -A "$bridges" 2>/dev/null)" ] || fail "no simulator bridge while make run runs"
shot running

choose_menu "Exit"
wait_until 40 process_gone "$PROGRAM_PID" || fail "scripts/run did not end after Exit"
wait "$PROGRAM_PID" && status=0 || status=$?
forget_pid "$PROGRAM_PID"
[ "$status" -eq 0 ] || fail "scripts/run ended with status $status"
[ -z "$(ls -A "$bridges" 2>/dev/null)" ] || fail "the simulator's bridge is still published after Exit"
