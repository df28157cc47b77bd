#!/usr/bin/env bash
# The whole program's CPU time at 400 lines a second: the real torvik-master
# under Xvfb with trayer, torvik-sim sending ISO 15765-4 traffic (chosen from the
# tray menu), first with the window hidden, then shown and following the log.
# The figures come from the process's own CPU time (/proc/<pid>/stat), so other
# work on the machine does not count; each is the mean over MEASURE seconds.
# Usage: bench_cpu_usage.sh BUILD_DIR
source "$(dirname "$0")/../../tests/e2e/lib.sh" "$1" bench_cpu_usage
MEASURE=${MEASURE:-30}
e2e_begin
start_x
start_tray

SIM_RATE=400 start_sim "TORVIK ECU SIMULATOR" "$E2E_TMP/received.bin"
start_program master
wait_for_icon 60 || fail "no tray icon"
wait_until 40 icon_is_green || fail "the link did not open"
# Menu choices come after the splash, as a user's would.
wait_for 32 '[ -z "$(splash_window)" ]' || fail "the splash stayed"
choose_menu "ISO 15765-4"
wait_until 30 recorded "$E2E_TMP/received.bin" 'SP5\r' || fail "ISO 15765-4 did not send SP5"

# utime + stime of the program in clock ticks.
cpu_ticks() { awk '{print $14 + $15}' "/proc/$PROGRAM_PID/stat"; }
# Percent of one core over MEASURE seconds.
measure() {
    local t0 t1 w0 w1
    t0=$(cpu_ticks)
    w0=$(date +%s.%N)
    sleep "$MEASURE"
    t1=$(cpu_ticks)
    w1=$(date +%s.%N)
    awk -v t="$((t1 - t0))" -v hz="$(getconf CLK_TCK)" -v w0="$w0" -v w1="$w1" \
        'BEGIN {printf "%.2f", 100 * t / hz / (w1 - w0)}'
}

sleep 3
hidden=$(measure)

double_click "$(tray_icon)"
wait_for 30 '[ -n "$(window_named "Torvik Master v1.1")" ]' || fail "double-click did not open the window"
sleep 3
shown=$(measure)
shot shown "$(window_named 'Torvik Master v1.1')"

echo "cpu_percent_of_one_core_hidden  $hidden"
echo "cpu_percent_of_one_core_shown   $shown"
