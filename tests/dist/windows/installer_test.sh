#!/usr/bin/env bash
# The installer under Wine, in a prefix of its own: a silent install puts the
# program under Program Files, and the Start menu entry and the start at log-on
# in the machine's all-users places (not in the profile of whoever ran setup,
# which may be an administrator's); entries an earlier per-user install left in
# that profile go. A silent uninstall takes every one of them away again.
# The zip holds the same program folder.
# Usage: installer_test.sh <build-windows> <setup.exe>
set -euo pipefail
build=$1
setup=$2
root=$(cd "$(dirname "$0")/../../.." && pwd)
export WINEPREFIX=$build/wineprefix-installer
rm -rf "$WINEPREFIX"
run() { "$root/scripts/wine-run" "$@"; }
fail() { echo "FAIL: $*" >&2; exit 1; }

files=(torvik-master.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll libzstd.dll libstdc++-6.dll
       libgcc_s_seh-1.dll libwinpthread-1.dll platforms/qwindows.dll styles/qwindowsvistastyle.dll README.txt)
zip=${setup%-setup.exe}-win64.zip
listing=$(unzip -Z1 "$zip")
for f in "${files[@]}"; do
  grep -qx "TorvikMaster/$f" <<<"$listing" || fail "not in the zip: $f"
done

run cmd /c exit 0 >/dev/null 2>&1 || true
drive=$WINEPREFIX/drive_c
programs=$drive/Program\ Files/TorvikMaster
user=$(ls "$drive/users" | grep -vx Public | head -n1)
startmenu=$drive/ProgramData/Microsoft/Windows/Start\ Menu/Programs
userstartmenu=$drive/users/$user/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs
runkey='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
userrunkey='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
uninstkey='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TorvikMaster'

# What an earlier per-user install left in the profile of the user who ran it.
mkdir -p "$userstartmenu"
echo old >"$userstartmenu/Torvik Master.lnk"
run reg add "$userrunkey" /v TorvikMaster /d 'C:\old\torvik-master.exe' /f >/dev/null 2>&1

# Z: is the root of this machine's file system inside Wine.
run "Z:${setup//\//\\}" /S
wineserver -w
for f in "${files[@]}" uninstall.exe; do
  [ -f "$programs/$f" ] || fail "not installed: $f"
done
[ -f "$startmenu/Torvik Master.lnk" ] || fail "no Start menu entry in $startmenu"
run reg query "$runkey" /v TorvikMaster 2>/dev/null | grep -q 'Program Files\\TorvikMaster\\torvik-master.exe' ||
    fail "no start at log-on for all users"
[ ! -e "$userstartmenu/Torvik Master.lnk" ] || fail "a Start menu entry in the profile of setup's user"
if run reg query "$userrunkey" /v TorvikMaster >/dev/null 2>&1; then fail "a start at log-on for setup's user only"; fi
run reg query "$uninstkey" /v UninstallString >/dev/null 2>&1 || fail "not listed among installed programs"
# The installed program runs from there.
version=$(run "C:\\Program Files\\TorvikMaster\\torvik-master.exe" --version 2>/dev/null | tr -d '\r')
[[ $version == "torvik-master.exe "* ]] || fail "installed program answers '$version'"

run "C:\\Program Files\\TorvikMaster\\uninstall.exe" /S
wineserver -w
[ ! -e "$programs" ] || fail "left behind: $(cd "$programs" && find . | tr '\n' ' ')"
[ ! -e "$startmenu/Torvik Master.lnk" ] || fail "Start menu entry left behind"
if run reg query "$runkey" /v TorvikMaster >/dev/null 2>&1; then fail "start at log-on left behind"; fi
if run reg query "$uninstkey" >/dev/null 2>&1; then fail "uninstall entry left behind"; fi
wineserver -k || true
rm -rf "$WINEPREFIX"
echo "installer: installed and removed cleanly"
