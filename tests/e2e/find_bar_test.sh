#!/usr/bin/env bash
# Finding in the log end to end: the real program against torvik-sim, read
# through AT-SPI on a private accessibility bus. Ctrl+F and a typed text give a
# count and rows that must agree with grep over the saved log; three rows
# copied with Ctrl+C land on the clipboard as the log's lines; with the monitor
# streaming the list keeps growing, and once it stops it agrees with grep again.
source "$(dirname "$0")/lib.sh" "$1" find_bar
source "$(dirname "$0")/sni_lib.sh"
e2e_begin
source "$(dirname "$0")/atspi_lib.sh"
FIND=$E2E_SOURCE/tests/e2e/tools/atspi_find.py
command -v xclip >/dev/null || { echo "missing tool: xclip (run scripts/bootstrap)"; exit 1; }

start_x_own
start_session_bus
start_accessibility_bus
start_tray

reader() { timeout 20 "$PYTHON" "$READER" "$@" 2>>"$E2E_ARTEFACTS/reader.log"; }
find_bar() { timeout 60 "$PYTHON" "$FIND" "$@" 2>>"$E2E_ARTEFACTS/reader.log"; }

# A stretch of ISO 15765-4 traffic sent once the program has opened the
# simulator; the monitor's own traffic follows later, when a protocol is chosen.
traffic=$E2E_TMP/traffic.bin
"$PYTHON" - "$traffic" <<'PY'
import sys
lines = []
for i in range(3000):
    lines.append("7DF 02 01 0C 00 00 00 00 00" if i % 2 == 0 else f"7E8 04 41 0C {i % 256:02X} F8 00 00 00")
lines[100] = "7E8 04 41 0c lower case 41 0C again"
lines[2998] = "end of the stretch"
open(sys.argv[1], "wb").write(("\r".join(lines) + "\r").encode("ascii"))
PY
record=$E2E_TMP/received.bin
: >"$record"
"$E2E_BUILD/torvik-sim" --description "TORVIK ECU SIMULATOR" --record "$record" --rate 100 --send "$traffic" \
    >"$E2E_ARTEFACTS/sim.log" 2>&1 &
SIM_PID=$!
remember_pid $SIM_PID
wait_until 10 grep -q "bridge ready" "$E2E_ARTEFACTS/sim.log" || fail "torvik-sim did not publish its bridge"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
start_program master
wait_for_icon 15 || fail "no tray icon"
wait_until 10 recorded "$record" 'MON1\r' || fail "the simulator was never opened"
double_click "$(tray_icon)"
wait_for 5 '[ -n "$(window_named "Torvik Master v1.1")" ]' || fail "double-click did not open the window"
window=$(window_named 'Torvik Master v1.1')
wait_for 20 'reader text "$E2E_TMP/log.txt" && grep -q "end of the stretch" "$E2E_TMP/log.txt"' ||
    fail "the traffic did not reach the log"

# save FILE: the log through the "Save" button.
save() {
    rm -f "$1"
    left_click "$window" 130 $((553 - 19 - 35 + 16))
    wait_for 5 '[ -n "$(xdotool search --onlyvisible --name "Save|Speichern" 2>/dev/null | sed -n 1p)" ]' ||
        fail "Save did not open the save dialog"
    sleep 0.5
    xdotool key --delay 20 ctrl+a
    xdotool type --delay 10 "$1"
    xdotool key Return
    wait_until 5 test -s "$1" || fail "Save wrote no file"
}
# The count once the search has ended: "N matches" as a number.
settled_count() {
    local text
    wait_for 20 'text=$(find_bar count); [[ $text == *match* ]]' || fail "the count reads \"$(find_bar count)\""
    [ "$text" = "no match" ] && { echo 0; return; }
    tr -d ',' <<<"${text% match*}"
}
# compare_with_grep FILE: the count and every row against grep -F over FILE.
compare_with_grep() {
    local want got
    want=$(LC_ALL=C grep -c -F -i -- "$needle" "$1")
    wait_for 20 'got=$(settled_count); [ "$got" = "$want" ]' ||
        fail "the bar counts $(settled_count) matches, grep -c -i $want in $1"
    LC_ALL=C grep -n -F -i -- "$needle" "$1" | tr -d '\r' | sed 's/:/ /' >"$E2E_TMP/grep-rows.txt"
    find_bar rows "$E2E_TMP/rows.txt" || fail "AT-SPI gave no rows"
    cmp -s "$E2E_TMP/rows.txt" "$E2E_TMP/grep-rows.txt" ||
        fail "the rows differ from grep -n: $(diff "$E2E_TMP/rows.txt" "$E2E_TMP/grep-rows.txt" | head -n 4)"
    e2e_log "$want matches, rows as grep -n lists them"
}

# Ctrl+F opens the bar with the focus in its field; the text is searched as typed.
needle="41 0c"
xdotool key ctrl+f
wait_for 10 'find_bar names >"$E2E_TMP/names.txt" && grep -q "Find results" "$E2E_TMP/names.txt"' ||
    fail "Ctrl+F opened no find bar"
cp "$E2E_TMP/names.txt" "$E2E_ARTEFACTS/names.txt"
for name in "text	Find" "list	Find results" "check box	Match case" "check box	Regular expression"; do
    grep -qxF "$name" "$E2E_TMP/names.txt" || fail "no \"$name\" among $(tr '\n' ' ' <"$E2E_TMP/names.txt")"
done
xdotool type --delay 30 "$needle"
save "$E2E_TMP/saved-1.txt"
compare_with_grep "$E2E_TMP/saved-1.txt"
shot find-bar "$window"

# Three rows selected from the keyboard and copied: the lines joined by CR LF.
read -r x y <<<"$(find_bar row 0)" || fail "no first row"
xdotool mousemove "$x" "$y" click 1
xdotool key --delay 50 shift+Down shift+Down ctrl+c
want=$(head -n 3 "$E2E_TMP/grep-rows.txt" | cut -d' ' -f2- | "$PYTHON" -c 'import sys; sys.stdout.write("\r\n".join(sys.stdin.read().split("\n")[:3]).encode().hex())')
wait_for 5 '[ "$(timeout 5 xclip -o -selection clipboard 2>/dev/null | od -An -v -tx1 | tr -d " \n")" = "$want" ]' ||
    fail "the clipboard holds \"$(timeout 5 xclip -o -selection clipboard 2>/dev/null)\", not the three rows' lines"
e2e_log "Ctrl+C copied three rows"

# The monitor streams: the list keeps growing while the bar is open.
count_now() { find_bar count | tr -d ',' | cut -d' ' -f1; }
growing() { n=$(count_now); [[ $n =~ ^[0-9]+$ ]] && [ "$n" -gt "$1" ]; }
before=$(settled_count)
choose_menu "ISO 15765-4"
wait_for 20 'growing $((before + 20))' || fail "the list stayed at $(find_bar count) while the monitor streamed (from $before)"
first=$n
wait_for 10 'growing $first' || fail "the list stopped growing at $first while the monitor streamed"
e2e_log "the list grew from $before to $first and $n matches while the monitor streamed"
choose_menu "Monitor on/off"
sleep 1
save "$E2E_TMP/saved-2.txt"
compare_with_grep "$E2E_TMP/saved-2.txt"
shot find-bar-streamed "$window"
e2e_log "passed"
