#!/usr/bin/env bash
# The desktop session ends the program with SIGTERM, a terminal with SIGINT or
# SIGHUP: each ends it as "Exit" does, with status 0, the icon gone from the
# XEmbed tray and the StatusNotifierItem gone from the watcher, and the
# single-instance slot given back (the record's count is 0 again).
source "$(dirname "$0")/lib.sh" "$1" session_end
e2e_begin
source "$(dirname "$0")/sni_lib.sh"
start_x
start_sim "TORVIK ECU SIMULATOR" "$E2E_TMP/received.bin"

# The copies registered in the guard's record (its second 32-bit field).
registered_copies() {
    local record
    record=$(find "$TORVIK_RUNTIME_DIR/torvik-master" -maxdepth 1 -type f ! -name '*.wake' | sed -n 1p)
    [ -n "$record" ] || { echo none; return; }
    od -An -t d4 -j 4 -N 4 "$record" | tr -d ' '
}

# end_by SIGNAL [SECONDS]: the program ends on SIGNAL with status 0 (within SECONDS, 10 unless given).
end_by() {
    local status=0
    kill -s "$1" "$PROGRAM_PID"
    wait_for "${2:-10}" 'process_gone "$PROGRAM_PID"' || fail "SIG$1 did not end the program"
    wait "$PROGRAM_PID" || status=$?
    forget_pid "$PROGRAM_PID"
    [ "$status" -eq 0 ] || fail "SIG$1 ended the program with status $status"
    [ "$(registered_copies)" = 0 ] || fail "after SIG$1 the guard still counts $(registered_copies) copies"
}

# While it still waits for a notification area, SIGTERM ends it at once and quietly.
start_program master-waiting
sleep 1
end_by TERM 4
[ -z "$(window_named 'Torvik Master')" ] || fail "an error box came up after SIGTERM"
grep -q 'notification area' "$E2E_ARTEFACTS/master-waiting.log" && fail "the missing tray was reported after SIGTERM"
e2e_log "SIGTERM during the wait for a tray: status 0 at once"

# Its wait over, the program shows that it found no notification area; a box
# nobody may see must not outlive the session: SIGTERM closes it and ends it.
start_program master-box
wait_for 60 '[ -n "$(window_named "Torvik Master")" ]' || fail "no box without a tray"
kill -s TERM "$PROGRAM_PID"
wait_for 5 'process_gone "$PROGRAM_PID"' || fail "SIGTERM left the program waiting behind its box"
wait "$PROGRAM_PID" || true
forget_pid "$PROGRAM_PID"
[ "$(registered_copies)" = 0 ] || fail "after SIGTERM at the box the guard still counts $(registered_copies) copies"
e2e_log "SIGTERM with the box for a missing tray up: ended"

start_tray
for signal in TERM INT HUP; do
    start_program "master-$signal"
    wait_for_icon 20 || fail "no tray icon before SIG$signal"
    [ "$(registered_copies)" = 1 ] || fail "the running copy is not registered: $(registered_copies)"
    end_by "$signal"
    wait_for 5 '[ -z "$(tray_icon)" ]' || fail "the icon stayed in the tray after SIG$signal"
    e2e_log "SIG$signal: status 0, icon gone, slot given back"
done
stop_tray

# A StatusNotifierItem desktop: the item leaves the watcher on SIGTERM.
start_session_bus
start_sni_panel
start_program master-sni
wait_for_item 20 || fail "the item never registered"
end_by TERM
wait_for 5 '[ -z "$(our_item)" ]' || fail "the item stayed registered after SIGTERM"
e2e_log "SIGTERM on a StatusNotifierItem desktop: item gone"
