#!/usr/bin/env bash
# torvik-master answers --help and --version, and refuses bad options, with no
# display at all: the options are read before any GUI object exists. Started
# for real without a display it says so in one line and ends with status 1.
set -uo pipefail
program=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failed=0

# run EXPECTED_STATUS ARGS...: runs the program with no display in a bare environment.
run() {
    local expected=$1
    shift
    local status=0
    env -i PATH=/usr/bin:/bin HOME="$tmp" timeout 10 "$program" "$@" >"$tmp/out" 2>"$tmp/err" || status=$?
    if [ "$status" -ne "$expected" ]; then
        echo "FAIL: '$*' ended with $status, expected $expected; stderr:"
        cat "$tmp/err"
        failed=1
    fi
    if grep -qi 'display' "$tmp/err"; then
        echo "FAIL: '$*' tried to reach a display"
        failed=1
    fi
}
expect_out() { grep -q -- "$1" "$tmp/out" || { echo "FAIL: stdout lacks '$1'"; cat "$tmp/out"; failed=1; }; }
expect_err() { grep -q -- "$1" "$tmp/err" || { echo "FAIL: stderr lacks '$1'"; cat "$tmp/err"; failed=1; }; }

run 0 --help
expect_out '^Usage: torvik-master \[options\]'
run 0 --version
expect_out '^torvik-master [0-9][0-9.]*$'
run 2 --no-such-option
expect_err "Unknown option 'no-such-option'"
run 2 --version --version
expect_err 'given twice'
run 2 stray argument
expect_err "unexpected argument 'stray'"

# no_display EXPECTED_LINE VAR=VALUE... -- ARGS...: a start that finds no display.
no_display() {
    local expected=$1 status=0 variables=()
    shift
    while [ "$1" != "--" ]; do variables+=("$1"); shift; done
    shift
    env -i PATH=/usr/bin:/bin HOME="$tmp" XDG_RUNTIME_DIR="$tmp" TORVIK_RUNTIME_DIR="$tmp" "${variables[@]}" timeout 10 "$program" "$@" \
        >"$tmp/out" 2>"$tmp/err" || status=$?
    if [ "$status" -ne 1 ] || [ "$(cat "$tmp/err")" != "$expected" ]; then
        echo "FAIL: a start with ${variables[*]} $* ended with $status and said:"
        cat "$tmp/err"
        echo "instead of: $expected"
        failed=1
    fi
}
no_display 'torvik-master: cannot open a display: DISPLAY is not set (a graphical session is needed)' --
no_display 'torvik-master: cannot open display ":987" (a graphical session is needed)' DISPLAY=:987 --
no_display 'torvik-master: cannot open display ":988" (a graphical session is needed)' DISPLAY=:987 -- -display :988
no_display 'torvik-master: cannot open display "nowhere" (a graphical session is needed)' \
    QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=nowhere --

[ $failed -eq 0 ] && echo "options answered without a display, starts without one refused in one line"
exit $failed
