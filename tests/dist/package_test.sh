#!/usr/bin/env bash
# `make package` builds the Debian package: named after version and
# architecture, with computed dependencies, maintainer, description and
# section, the GNOME tray extension suggested, the udev reload on install, the
# autostart entry as a conffile, no lintian errors or warnings (this release's lintian). apt can resolve its dependencies on this machine.
set -uo pipefail
build=$1
version=$2
deb=$build/torvik-master_${version}_$(dpkg --print-architecture).deb
tmp=$(mktemp -d /tmp/torvik-package.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

rm -f "$deb"
if ! cmake --build "$build" --target package >"$tmp/cpack.log" 2>&1; then
    cat "$tmp/cpack.log"
    echo "FAIL: the package target"
    exit 1
fi
[ -f "$deb" ] || { ls "$build"/*.deb; echo "FAIL: $deb was not made"; exit 1; }

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = torvik-master ] || fail "package name is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "version is '$(field Version)'"
[ -n "$(field Section)" ] || fail "no section"
field Maintainer | grep -q '<.*@.*>' || fail "no maintainer address"
[ "$(field Description | wc -l)" -gt 2 ] || fail "no long description"
for lib in libqt6widgets6 libqt6gui6 libqt6core6 libc6; do
    field Depends | grep -q "$lib" || fail "Depends lacks $lib: $(field Depends)"
done

dpkg-deb -e "$deb" "$tmp/control"
grep -q 'udevadm control --reload-rules' "$tmp/control/postinst" || fail "postinst does not reload the udev rules"
grep -qx '/etc/xdg/autostart/io.github.torvikmaster.TorvikMaster.desktop' "$tmp/control/conffiles" ||
    fail "the autostart entry is no conffile"
dpkg-deb -c "$deb" >"$tmp/contents"
grep -q ' \./usr/bin/torvik-master$' "$tmp/contents" || fail "the package lacks usr/bin/torvik-master"

field Suggests | grep -q gnome-shell-extension-appindicator || fail "Suggests lacks the GNOME tray extension"

lintian --display-info --tag-display-limit 0 "$deb" >"$tmp/lintian.log" 2>&1
if grep -q '^E: ' "$tmp/lintian.log"; then
    cat "$tmp/lintian.log"
    fail "lintian reports errors"
fi
if grep -q 'hardening-' "$tmp/lintian.log"; then
    grep 'hardening-' "$tmp/lintian.log"
    fail "lintian finds binaries built without hardening"
fi
if grep -q '^W: ' "$tmp/lintian.log"; then
    grep '^W: ' "$tmp/lintian.log"
    fail "lintian warns"
fi

# Every dependency is known to apt here (a simulation installs nothing).
if [ -n "$(ls /var/lib/apt/lists/ 2>/dev/null | grep -v -e lock -e partial)" ]; then
    apt-get install -s "$deb" >"$tmp/apt.log" 2>&1 || { cat "$tmp/apt.log"; fail "apt cannot resolve the package"; }
fi

[ $failed -eq 0 ] && echo "package $deb is complete and lintian-clean"
exit $failed
