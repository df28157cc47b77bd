#!/usr/bin/env bash
# Runs the FTD2XX.DLL double's unit test under Wine against a pseudo-terminal:
#   run_double_test.sh BUILD_FOLDER PTY_ECHO WINEPREFIX
# BUILD_FOLDER holds FTD2XX.DLL and ftd2xx_double_test.exe; the prefix is made
# on first use and kept.
set -euo pipefail

folder=$(cd "$1" && pwd)
pty_echo=$2
export WINEPREFIX=$(realpath -m "$3")
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=wine_prefix.sh
source "$here/wine_prefix.sh"
wine_prefix_ready || { echo "the Wine prefix $WINEPREFIX could not be made"; exit 1; }

tmp=$(mktemp -d /tmp/torvik-double.XXXXXX)
echo_pid=
port_link=
cleanup() {
    local rc=$?
    if [ -n "$echo_pid" ]; then
        kill "$echo_pid" 2>/dev/null || true
        wait "$echo_pid" 2>/dev/null || true
    fi
    [ -n "$port_link" ] && rm -f "$port_link"
    rm -rf "$tmp"
    exit $rc
}
trap cleanup EXIT

"$pty_echo" >"$tmp/pty" &
echo_pid=$!
for _ in $(seq 100); do [ -s "$tmp/pty" ] && break; sleep 0.1; done
pty=$(head -n1 "$tmp/pty")
[ -c "$pty" ] || { echo "pty_echo gave no pseudo-terminal"; exit 1; }

port=$(wine_link_com_port "$pty") || { echo "no free COM port in $WINEPREFIX"; exit 1; }
port_link=$WINEPREFIX/dosdevices/${port,,}
echo "$port -> $pty"

wine_server_start "$folder/wineserver.log"
cd "$folder"
TORVIK_DOUBLE_PORT=$port TORVIK_DOUBLE_DESCRIPTION="TORVIK DOUBLE TEST" wine ftd2xx_double_test.exe
