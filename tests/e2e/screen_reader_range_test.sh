#!/usr/bin/env bash
# A long log the way a screen reader measures and reads it: the real program
# on a private session bus with its own accessibility bus, a log of 7,000
# lines (over 200,000 characters) with NUL bytes in it, read through AT-SPI
# with pyatspi. The extents of the whole log, also asked up to INT_MAX, come
# back at once and leave the program answering; the text reads whole, each
# NUL as U+FFFD at its own offset.
source "$(dirname "$0")/lib.sh" "$1" screen_reader_range
source "$(dirname "$0")/sni_lib.sh"
e2e_begin
source "$(dirname "$0")/atspi_lib.sh"

start_x
start_session_bus
start_accessibility_bus
start_tray

reader() { timeout 60 "$PYTHON" "$READER" "$@" 2>>"$E2E_ARTEFACTS/reader.log"; }

# 7,000 lines of 28 characters; line 10 holds a NUL inside, line 20 starts
# with one and the log ends with one (after a last line of its own).
traffic=$E2E_TMP/traffic.bin
"$PYTHON" - "$traffic" <<'PY'
import sys
lines = [f"7E8 06 41 00 BE 3F A8 {i:06d}" for i in range(7000)]
lines[10] = lines[10][:5] + "\0" + lines[10][6:]
lines[20] = "\0" + lines[20][1:]
open(sys.argv[1], "wb").write(("\r".join(lines) + "\rend\0").encode("ascii"))
PY
expected=$E2E_TMP/expected.txt
"$PYTHON" -c 'import sys; t = open(sys.argv[1], "rb").read().decode("latin-1"); open(sys.argv[2], "w", encoding="utf-8", newline="").write(t.replace("\r", "\n").replace("\0", "\ufffd"))' "$traffic" "$expected"
expected_length=$("$PYTHON" -c 'import sys; print(len(open(sys.argv[1], encoding="utf-8", newline="").read()))' "$expected")
record=$E2E_TMP/received.bin
: >"$record"
"$E2E_BUILD/torvik-sim" --description "TORVIK ECU SIMULATOR" --record "$record" --quiet --send "$traffic" \
    >"$E2E_ARTEFACTS/sim.log" 2>&1 &
remember_pid $!
wait_until 10 grep -q "bridge ready" "$E2E_ARTEFACTS/sim.log" || fail "torvik-sim did not publish its bridge"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
start_program master
wait_for_icon 15 || fail "no tray icon"
double_click "$(tray_icon)"
wait_for 5 '[ -n "$(window_named "Torvik Master v1.1")" ]' || fail "double-click did not open the window"
wait_for 30 '[ "$(reader count)" = "$expected_length" ]' ||
    fail "the log holds $(reader count) characters, not $expected_length"

# The text reads whole, NULs as U+FFFD at their own offsets.
reader text "$E2E_TMP/atspi-text.txt" || fail "AT-SPI gave no text"
cmp -s "$E2E_TMP/atspi-text.txt" "$expected" ||
    fail "AT-SPI reads $(wc -c <"$E2E_TMP/atspi-text.txt") bytes, not the $(wc -c <"$expected") of the log"

# The whole log's extents, to its last offset and to INT_MAX: the same box,
# promptly, and the program answers right after.
whole=$(reader extents 0 "$expected_length")
e2e_log "extents of [0, $expected_length]: $whole"
beyond=$(reader extents 0 2147483647)
e2e_log "extents of [0, INT_MAX]: $beyond"
after=$( { time -p reader count >/dev/null; } 2>&1 | awk '/^real/ {print $2}')
e2e_log "the next call took $after s"
for answer in "$whole" "$beyond"; do
    read -r x y width height took <<<"$answer"
    [ "$x" != error ] || fail "GetRangeExtents failed: $answer"
    [ "$width" -gt 0 ] && [ "$height" -gt 0 ] || fail "GetRangeExtents gave an empty box: $answer"
    awk -v t="$took" 'BEGIN {exit !(t < 1.0)}' || fail "GetRangeExtents took $took s"
done
[ "${whole% *}" = "${beyond% *}" ] || fail "the box up to INT_MAX ($beyond) is not the whole log's ($whole)"
awk -v t="$after" 'BEGIN {exit !(t < 5.0)}' || fail "the program answered the next call after $after s"

# A few characters across a line's end, on the screen and in the window: the
# box is the union of their cells as the bridge gives them one by one.
for coords in screen window; do
    cells=$(reader cells 25 35 $coords)
    e2e_log "extents of [25, 35] in $coords coordinates: $cells"
    [ "${cells% = *}" = "${cells#* = }" ] || fail "the range's box in $coords coordinates is not its cells': $cells"
done
