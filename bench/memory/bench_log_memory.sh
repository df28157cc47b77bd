#!/usr/bin/env bash
# The real program's anonymous memory per logged line: torvik-master under Xvfb
# with trayer, then a torvik-sim that sends LINES lines of monitor traffic
# (engine speed answers with changing values) at once. Prints the growth of
# RssAnon (/proc/<pid>/status) from before the link opened divided by LINES.
# Afterwards the log is saved through the window's Save button and its lines
# counted, so that the figure stands only when every line reached the log.
# Usage: bench_log_memory.sh BUILD_DIR
source "$(dirname "$0")/../../tests/e2e/lib.sh" "$1" bench_log_memory
source "$(dirname "$0")/../lib/cpu_time.sh"
LINES=${LINES:-600000}
e2e_begin
start_x
start_tray

traffic=$E2E_TMP/traffic.txt
awk -v n="$LINES" 'BEGIN { for (i = 0; i < n; i++) printf "7E8 04 41 0C %02X %02X 00 00 00\r", int(i / 50) % 256, (i * 13) % 256 }' >"$traffic"

rss_anon() { awk '/^RssAnon:/ {print $2 * 1024}' "/proc/$PROGRAM_PID/status"; }
start_program master
wait_for_icon 60 || fail "no tray icon"
sleep 2
before=$(rss_anon)

out=$E2E_ARTEFACTS/sim.log
"$E2E_BUILD/torvik-sim" --quiet --send "$traffic" >"$out" 2>&1 &
SIM_PID=$!
remember_pid $SIM_PID
wait_until 40 icon_is_green || fail "the link did not open"
# Until the reader has read every sent byte and the link is quiet. The
# program's CPU time does not tell: a fast machine takes the link's full rate
# for less than a clock tick in two seconds.
read_so_far() { local n; n=$(reader_bytes "$PROGRAM_PID"); echo "${n:-0}"; }
wait_for 600 '[ "$(read_so_far)" -ge "$(stat -c %s "$traffic")" ]' ||
    fail "the reader took $(read_so_far) of $(stat -c %s "$traffic") bytes"
last=-1
until [ "$(read_so_far)" = "$last" ]; do
    last=$(read_so_far)
    sleep 1
done
after=$(rss_anon)

# Every sent line must be in the log: save it as a user would and count.
double_click "$(tray_icon)"
wait_for 40 '[ -n "$(window_named "Torvik Master v1.1")" ]' || fail "double-click did not open the window"
window=$(window_named 'Torvik Master v1.1')
sleep 1
saved=$E2E_TMP/saved-log.txt
# "Save" sits in the button panel at the bottom of the 553 pixel high window.
left_click "$window" 130 $((553 - 19 - 35 + 16))
wait_for 40 '[ -n "$(xdotool search --onlyvisible --name "Save|Speichern" 2>/dev/null | head -n1)" ]' ||
    fail "Save did not open the save dialog"
sleep 0.5
xdotool key --delay 20 ctrl+a
xdotool type --delay 10 "$saved"
xdotool key Return
wait_until 120 test -s "$saved" || fail "Save wrote no file"
size=-1
until [ "$(stat -c %s "$saved")" = "$size" ]; do
    size=$(stat -c %s "$saved")
    sleep 1
done
logged=$(LC_ALL=C grep -c '^7E8 04 41 0C ' "$saved")
echo "lines_logged $logged"
[ "$logged" -eq "$LINES" ] || fail "only $logged of $LINES lines reached the log"

awk -v b="$before" -v a="$after" -v n="$LINES" \
    'BEGIN {printf "anon_bytes_before %d\nanon_bytes_after %d\nanon_bytes_per_line %.2f\n", b, a, (a - b) / n}'
