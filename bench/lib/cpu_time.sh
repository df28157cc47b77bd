# Shared by the benchmarks that run the real program under a private X server
# (sourced after tests/e2e/lib.sh): CPU time from /proc and the steps that bring
# torvik-master to a streaming link.
# Figures come from each process's own CPU time (/proc/<pid>/stat), so other
# work on the machine does not count.

# utime + stime of a process, all its threads, in clock ticks.
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# Times the main thread of a process gave up the CPU to wait: its wake-ups.
main_thread_waits() { awk '/^voluntary_ctxt_switches:/ {print $2}' "/proc/$1/status"; }

# reader_io PID FIELD: one counter of /proc/<pid>/task/<tid>/io for
# torvik-master's reader thread (it names itself "reader"); nothing for a
# process without such a thread.
reader_io() {
    local task
    for task in /proc/"$1"/task/*; do
        [ "$(cat "$task/comm" 2>/dev/null)" = reader ] || continue
        awk -v field="$2:" '$1 == field {print $2}' "$task/io" 2>/dev/null
        return 0
    done
}
# The reader's read calls: it reads once per batch and hands every batch
# over, so these count its hand-offs.
reader_reads() { reader_io "$1" syscr; }
# The bytes the reader has taken from the link so far.
reader_bytes() { reader_io "$1" rchar; }

# measure_cpu SECONDS PID...: percent of one core that each process used over
# SECONDS, one figure per process on one line, then the wake-ups per second of
# the first process's main thread and the hand-offs per second of its reader
# ("-" without a reader).
measure_cpu() {
    local seconds=$1
    shift
    local pids=("$@") t0=() t1=() p w0 w1 s0 s1 r0 r1
    for p in "${pids[@]}"; do t0+=("$(cpu_ticks "$p")"); done
    s0=$(main_thread_waits "${pids[0]}")
    r0=$(reader_reads "${pids[0]}")
    w0=$(date +%s.%N)
    sleep "$seconds"
    for p in "${pids[@]}"; do t1+=("$(cpu_ticks "$p")"); done
    s1=$(main_thread_waits "${pids[0]}")
    r1=$(reader_reads "${pids[0]}")
    w1=$(date +%s.%N)
    awk -v t0="${t0[*]}" -v t1="${t1[*]}" -v s="$((s1 - s0))" -v hz="$(getconf CLK_TCK)" -v w0="$w0" -v w1="$w1" \
        -v r0="$r0" -v r1="$r1" \
        'BEGIN {n = split(t0, a, " "); split(t1, b, " ")
                for (i = 1; i <= n; i++) printf "%.2f ", 100 * (b[i] - a[i]) / hz / (w1 - w0)
                printf "%.0f ", s / (w1 - w0)
                if (r0 != "" && r1 != "") printf "%.1f\n", (r1 - r0) / (w1 - w0); else print "-"}'
}

# Starts the program and waits until its link to the simulator is open and the
# splash has gone, so that menu choices come as a user's would.
start_master_linked() {
    start_program master
    wait_for_icon 60 || fail "no tray icon"
    wait_until 40 icon_is_green || fail "the link did not open"
    wait_for 32 '[ -z "$(splash_window)" ]' || fail "the splash stayed"
}

# Opens the program's window with a double-click on its icon; sets MASTER_WINDOW.
show_master_window() {
    double_click "$(tray_icon)"
    wait_for 30 '[ -n "$(window_named "Torvik Master v1.1")" ]' || fail "double-click did not open the window"
    MASTER_WINDOW=$(window_named "Torvik Master v1.1")
}
