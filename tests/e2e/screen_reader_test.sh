#!/usr/bin/env bash
# The log and the window the way a screen reader sees them: the real program
# on a private session bus with its own accessibility bus (at-spi-bus-launcher),
# read through AT-SPI with pyatspi: the frame and the names, the log's lines
# against the saved log, the caret following the keys, and a selection set
# through AT-SPI that Copy puts on the clipboard.
source "$(dirname "$0")/lib.sh" "$1" screen_reader
source "$(dirname "$0")/sni_lib.sh"
e2e_begin
source "$(dirname "$0")/atspi_lib.sh"
command -v xclip >/dev/null || { echo "missing tool: xclip (run scripts/bootstrap)"; exit 1; }

start_x_own
start_session_bus
start_accessibility_bus
start_tray

reader() { timeout 20 "$PYTHON" "$READER" "$@" 2>>"$E2E_ARTEFACTS/reader.log"; }

# The simulator sends one known stretch of traffic after the first command:
# 300 lines across several of the log's index blocks, tabs, a line feed and
# blanks inside lines, trailing blanks, empty lines, and a last line without
# a carriage return.
traffic=$E2E_TMP/traffic.bin
"$PYTHON" - "$traffic" <<'PY'
import sys
lines = [f"7E8 06 41 00 BE 3F A8 {i:03d}" for i in range(300)]
lines[5] = "SEARCHING...\tOK"
lines[17] = "split\nline 'quoted' \"words\""
lines[40] = "trailing blanks   "
lines[41] = lines[42] = ""
open(sys.argv[1], "wb").write(("\r".join(lines) + "\r>").encode("ascii"))
PY
record=$E2E_TMP/received.bin
: >"$record"
"$E2E_BUILD/torvik-sim" --description "TORVIK ECU SIMULATOR" --record "$record" --quiet --send "$traffic" \
    >"$E2E_ARTEFACTS/sim.log" 2>&1 &
SIM_PID=$!
remember_pid $SIM_PID
wait_until 10 grep -q "bridge ready" "$E2E_ARTEFACTS/sim.log" || fail "torvik-sim did not publish its bridge"
# What the log holds once the traffic is in: carriage returns break lines, tabs are 4 spaces.
expected=$E2E_TMP/expected.txt
"$PYTHON" -c 'import sys; t = open(sys.argv[1], "rb").read().decode("latin-1"); open(sys.argv[2], "w", newline="").write(t.replace("\r", "\n").replace("\t", "    "))' "$traffic" "$expected"
expected_length=$("$PYTHON" -c 'import sys; print(len(open(sys.argv[1], newline="").read()))' "$expected")
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
start_program master
wait_for_icon 15 || fail "no tray icon"
wait_until 10 recorded "$record" 'MON1\r' || fail "the simulator was never opened"
double_click "$(tray_icon)"
wait_for 5 '[ -n "$(window_named "Torvik Master v1.1")" ]' || fail "double-click did not open the window"
window=$(window_named 'Torvik Master v1.1')

# The window is a frame named by its title; the controls have names. Roles
# are matched by value (the reader names them after pyatspi's constants): the
# spoken role names differ between AT-SPI versions ("push button" in 2.46,
# "button" in 2.56).
wait_for 20 'reader tree >"$E2E_TMP/tree.txt" && grep -q "Simulator log" "$E2E_TMP/tree.txt"' ||
    fail "the log is not among the program's accessible objects: $(cat "$E2E_TMP/tree.txt")"
cp "$E2E_TMP/tree.txt" "$E2E_ARTEFACTS/tree.txt"
grep -qP '^1\tframe\tTorvik Master v1\.1\t' "$E2E_TMP/tree.txt" || fail "the main window is no frame named by its title"
grep -qP '\ttext\tSimulator log\t.*multi.line.*read.only' "$E2E_TMP/tree.txt" || fail "the log is no multi-line text"
grep -P '\ttext\tSimulator log\t' "$E2E_TMP/tree.txt" | grep -qv 'editable' || fail "the log reads as editable"
grep -qP '\tpush-button\tClear log\t' "$E2E_TMP/tree.txt" || fail "no push button \"Clear log\""
grep -qP '\tpush-button\tSave log\t' "$E2E_TMP/tree.txt" || fail "no push button \"Save log\""
grep -qP '\tlabel\tLink state: Opened\t' "$E2E_TMP/tree.txt" || fail "the status bar does not name the link state"

# The caret follows the end of the log as the traffic comes in; then the log
# reads exactly as received.
wait_for 20 '[ "$(reader caret)" = "$expected_length" ]' ||
    fail "the caret offset is $(reader caret), not $expected_length at the end of the log"
reader text "$E2E_TMP/received-text.txt" || fail "AT-SPI gave no text"
cmp -s "$E2E_TMP/received-text.txt" "$expected" || fail "AT-SPI reads the log otherwise than received"

# Saved through the "Save" button, the log is compared with what AT-SPI reads.
saved=$E2E_TMP/saved-log.txt
left_click "$window" 130 $((553 - 19 - 35 + 16))
wait_for 5 '[ -n "$(xdotool search --onlyvisible --name "Save|Speichern" 2>/dev/null | sed -n 1p)" ]' ||
    fail "Save did not open the save dialog"
sleep 0.5
xdotool key --delay 20 ctrl+a
xdotool type --delay 10 "$saved"
xdotool key Return
wait_until 5 test -s "$saved" || fail "Save wrote no file"
cp "$saved" "$E2E_ARTEFACTS/saved-log.txt"
reader text "$E2E_TMP/atspi-text.txt" || fail "AT-SPI gave no text"
reader lines "$E2E_TMP/atspi-lines.txt" || fail "AT-SPI gave no lines: $(tail -n 3 "$E2E_ARTEFACTS/reader.log")"
cp "$E2E_TMP"/atspi-*.txt "$E2E_ARTEFACTS/"
# The file: every line followed by CR LF; AT-SPI: lines joined by one break.
"$PYTHON" - "$saved" "$E2E_TMP/atspi-text.txt" "$E2E_TMP/atspi-lines.txt" <<'PY' || fail "AT-SPI does not read the saved log"
import sys
saved = open(sys.argv[1], "rb").read().decode("latin-1")
whole = open(sys.argv[2], encoding="utf-8", newline="").read()
by_lines = open(sys.argv[3], encoding="utf-8", newline="").read()
expected = saved[:-2].replace("\r\n", "\n") if saved.endswith("\r\n") else saved
if whole != expected or by_lines != expected:
    print(f"saved {len(expected)} characters, read {len(whole)} whole and {len(by_lines)} by lines", file=sys.stderr)
    sys.exit(1)
print(f"{expected.count(chr(10)) + 1} lines, {len(expected)} characters read alike", file=sys.stderr)
PY

# The caret follows the keys.
line_end() { "$PYTHON" -c 'import sys; t = open(sys.argv[1], encoding="utf-8", newline="").read(); print(t.index("\n") if sys.argv[2] == "0" else t.index("\n", t.index("\n") + 1))' "$E2E_TMP/atspi-text.txt" "$1"; }
left_click "$window" 60 60
xdotool key ctrl+Home
wait_for 5 '[ "$(reader caret)" = 0 ]' || fail "Ctrl+Home: the caret offset is $(reader caret), not 0"
first_end=$(line_end 0)
xdotool key Down
wait_for 5 '[ "$(reader caret)" = "$((first_end + 1))" ]' || fail "Down: the caret offset is $(reader caret), not $((first_end + 1))"
xdotool key End
second_end=$(line_end 1)
wait_for 5 '[ "$(reader caret)" = "$second_end" ]' || fail "End: the caret offset is $(reader caret), not $second_end"
e2e_log "the caret followed Ctrl+Home, Down and End to 0, $((first_end + 1)) and $second_end"

# A selection set through AT-SPI, copied with Ctrl+C: exactly that text, lines joined by CR LF.
from=3
to=$((second_end - 2))
reader select "$from" "$to" || fail "AT-SPI could not select"
wait_for 5 '[ "$(reader selection)" = "$from $to" ]' || fail "the selection reads $(reader selection), not $from $to"
xdotool key ctrl+c
want=$("$PYTHON" -c 'import sys; t = open(sys.argv[1], encoding="utf-8", newline="").read(); sys.stdout.write(t[int(sys.argv[2]):int(sys.argv[3])].replace("\n", "\r\n").encode().hex())' "$E2E_TMP/atspi-text.txt" "$from" "$to")
wait_for 5 '[ "$(timeout 5 xclip -o -selection clipboard 2>/dev/null | od -An -v -tx1 | tr -d " \n")" = "$want" ]' ||
    fail "the clipboard holds \"$(timeout 5 xclip -o -selection clipboard 2>/dev/null)\", not the selected text"
e2e_log "Copy put the $((to - from)) selected characters on the clipboard"
shot selected "$window"
