#!/usr/bin/env bash
# "-display NAME" names the display for everything, the wait for an XEmbed
# tray included: with $DISPLAY on a server without a tray and -display on one
# with trayer, the icon docks at once into that trayer.
source "$(dirname "$0")/lib.sh" "$1" display_option
e2e_begin
# The bare server: a second Xvfb beside the one start_x makes.
Xvfb -displayfd 8 -screen 0 640x480x24 -nolisten tcp -noreset 8>"$E2E_TMP/bare-display" >"$E2E_ARTEFACTS/bare-xvfb.log" 2>&1 &
remember_pid $!
wait_until 10 test -s "$E2E_TMP/bare-display" || fail "the bare Xvfb did not start"
bare_display=:$(head -n1 "$E2E_TMP/bare-display")
start_x
start_tray
e2e_log "no tray on $bare_display, trayer on $DISPLAY"

DISPLAY=$bare_display "$E2E_PROGRAM" -display "$DISPLAY" >"$E2E_ARTEFACTS/master.log" 2>&1 &
PROGRAM_PID=$!
remember_pid $PROGRAM_PID
# The program gives up on a missing tray after 10 s; the icon must come well before.
wait_for_icon 8 || fail "no icon in the tray of the -display server"
program_running || fail "the program ended: $(cat "$E2E_ARTEFACTS/master.log")"
shot docked
