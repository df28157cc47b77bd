#!/usr/bin/env bash
# The splash's fade as the X server sees it: every opacity step must reach the
# server when it is set (not in a burst later), rising from 5 to 255, and
# falling to 10 before the splash is unmapped.
source "$(dirname "$0")/lib.sh" "$1" splash_fade
source "$(dirname "$0")/wm.sh"
e2e_begin
start_x
start_wm
start_tray
spy=$E2E_ARTEFACTS/xspy.txt
start_xspy "$spy"
start_program master

wait_for 30 '[ -n "$(splash_window)" ]' || fail "no splash at start"
splash=$(splash_window) || true
splash=$(printf '0x%x' "$splash")
e2e_log "splash window $splash"
wait_for 32 '[ -z "$(splash_window)" ]' || fail "the splash stayed"
wait_for 30 'grep -q "^- $splash unmap" "$spy"' || fail "the server saw no unmap of the splash"

# The splash's own lines: "<server ms> opacity <0..255>" up to its unmap.
steps=$E2E_ARTEFACTS/splash-steps.txt
awk -v w="$splash" '$2 == w && $3 == "opacity" {print $1, $4} $2 == w && $3 == "unmap" {exit}' "$spy" >"$steps"
e2e_log "the server saw $(wc -l <"$steps") opacity changes: $(awk '{printf "%s ", $2}' "$steps")"

# fade_check FIRST LAST NAME: the lines FIRST..LAST of the steps are a fade
# whose changes came at distinct times, spread over at least MIN_MS.
fade_check() {
    local from=$1 to=$2 name=$3 min_ms=$4 min_steps=$5
    awk -v from="$from" -v to="$to" -v name="$name" -v min_ms="$min_ms" -v min_steps="$min_steps" '
        NR >= from && NR <= to {
            n++; if (!(($1) in seen)) {seen[$1] = 1; times++}
            if (n == 1) first = $1; last = $1
        }
        END {
            printf "%s: %d changes at %d distinct times over %d ms\n", name, n, times, last - first
            exit !(n >= min_steps && times >= min_steps && last - first >= min_ms)
        }' "$steps"
}

top=$(awk '$2 == 255 {print NR; exit}' "$steps")
[ -n "$top" ] || fail "the server never saw the splash fully opaque"
# The spy starts watching the splash when it learns of its window; on a busy
# machine the first steps (5, 10, ...) may be set before that, so a start within
# the first five steps counts as near 5/255.
[ "$(head -n1 "$steps" | awk '{print $2}')" -le 25 ] || fail "the fade-in did not start near 5/255"
# Fifty raises of 5 every 5 ms: about 250 ms; the values never fall on the way up.
in_report=$(fade_check 1 "$top" fade-in 150 40) || fail "the fade-in did not reach the server step by step: $in_report"
e2e_log "$in_report"
# (A value read after the splash was gone is "none": it counts as a change, not as a level.)
awk -v top="$top" 'NR <= top && $2 != "none" {if (seen && $2 < prev) exit 1; prev = $2; seen = 1}' "$steps" ||
    fail "the fade-in went down"
[ "$(awk -v top="$top" 'NR <= top && $2 != "none" {v[$2]} END {print length(v)}' "$steps")" -ge 20 ] ||
    fail "the fade-in showed fewer than 20 opacity levels"

# Twelve steps of 20 every 15 ms and a last one to 10: about 180 ms.
hold_end=$(awk '$2 == 255 {n = NR} END {print n}' "$steps")
total=$(wc -l <"$steps")
out_report=$(fade_check $((hold_end + 1)) "$total" fade-out 120 13) ||
    fail "the fade-out did not reach the server step by step: $out_report"
e2e_log "$out_report"
awk -v from="$hold_end" 'NR >= from && $2 != "none" {if (seen && $2 > prev) exit 1; prev = $2; seen = 1}' "$steps" ||
    fail "the fade-out went up"
# The last change sets 10; the splash may be gone before the spy reads it.
last=$(tail -n1 "$steps" | awk '{print $2}')
[ "$last" = 10 ] || [ "$last" = none ] || fail "the fade-out ended at $last/255, not 10/255"
