#!/usr/bin/env bash
# The whole program's CPU time at 400 lines a second: the real torvik-master
# under Xvfb with trayer, torvik-sim sending ISO 15765-4 traffic (chosen from the
# tray menu), first with the window hidden, then shown and following the log.
# Each figure is the mean over MEASURE seconds (see bench/lib/cpu_time.sh).
# Usage: bench_cpu_usage.sh BUILD_DIR
source "$(dirname "$0")/../../tests/e2e/lib.sh" "$1" bench_cpu_usage
source "$(dirname "$0")/../lib/cpu_time.sh"
MEASURE=${MEASURE:-30}
e2e_begin
start_x
start_tray

SIM_RATE=400 start_sim "TORVIK ECU SIMULATOR" "$E2E_TMP/received.bin"
start_master_linked
choose_menu "ISO 15765-4"
wait_until 30 recorded "$E2E_TMP/received.bin" 'SP5\r' || fail "ISO 15765-4 did not send SP5"

sleep 3
read -r hidden _ <<<"$(measure_cpu "$MEASURE" "$PROGRAM_PID")"

show_master_window
sleep 3
read -r shown _ <<<"$(measure_cpu "$MEASURE" "$PROGRAM_PID")"
shot shown "$MASTER_WINDOW"

echo "cpu_percent_of_one_core_hidden  $hidden"
echo "cpu_percent_of_one_core_shown   $shown"
