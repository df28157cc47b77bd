#!/usr/bin/env bash
# `cmake --install` into a temporary DESTDIR puts a desktop program in place:
# binaries, launcher, icons, metadata, autostart entry, udev rule and manual
# pages, each valid for the tools that read it. Also: a prefix with spaces.
# With "readonly" as its second argument it checks instead that a read-only
# DESTDIR is refused with a clear message; where it cannot arrange a user
# who may read the build but not write the DESTDIR it says why and exits 77
# (skipped).
set -uo pipefail
build=$1
mode=${2:-layout}
id=io.github.torvikmaster.TorvikMaster
tmp=$(mktemp -d /tmp/torvik-install.XXXXXX)
trap 'chmod -R u+w "$tmp" 2>/dev/null; rm -rf "$tmp"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

if [ "$mode" = layout ]; then
    root=$tmp/root
    if ! DESTDIR=$root cmake --install "$build" --prefix /usr >"$tmp/install.log" 2>&1; then
        cat "$tmp/install.log"
        echo "FAIL: cmake --install into $root"
        exit 1
fi

for f in usr/bin/torvik-master usr/bin/torvik-sim; do
    [ -x "$root/$f" ] || fail "$f is missing or not executable"
done
launcher=$root/usr/share/applications/$id.desktop
autostart=$root/etc/xdg/autostart/$id.desktop
metainfo=$root/usr/share/metainfo/$id.metainfo.xml
rule=$root/usr/lib/udev/rules.d/70-torvik-master.rules
for f in "$launcher" "$autostart" "$metainfo" "$rule" \
    "$root/usr/share/man/man1/torvik-master.1.gz" "$root/usr/share/man/man1/torvik-sim.1.gz"; do
    [ -f "$f" ] || fail "${f#"$root"/} is missing"
done

# Every icon is a PNG of its folder's size.
for size in 16 22 24 32 48 64 128 256; do
    icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png
    if [ ! -f "$icon" ]; then
        fail "icon ${size}x${size} is missing"
        continue
    fi
    got=$(identify -format '%m %wx%h' "$icon" 2>/dev/null)
    [ "$got" = "PNG ${size}x${size}" ] || fail "icon ${size}x${size} is '$got'"
    # Not an empty picture: the drawing covers part of it.
    opaque=$(convert "$icon" -alpha extract -format '%[fx:mean]' info: 2>/dev/null)
    awk -v m="$opaque" 'BEGIN {exit !(m > 0.3)}' || fail "icon ${size}x${size} is nearly empty ($opaque)"
done

desktop-file-validate "$launcher" || fail "desktop-file-validate refuses the launcher"
desktop-file-validate "$autostart" || fail "desktop-file-validate refuses the autostart entry"
grep -qx "Icon=$id" "$launcher" || fail "the launcher does not name the installed icon"
grep -qx "Exec=torvik-master" "$autostart" || fail "the autostart entry does not start torvik-master"
appstreamcli validate --pedantic --no-net "$metainfo" >"$tmp/appstream.log" 2>&1 ||
    { cat "$tmp/appstream.log"; fail "appstreamcli finds errors in the metainfo"; }
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch the installed launcher"
grep -q 'TAG+="uaccess"' "$rule" && grep -q 'ATTRS{product}=="\*\[Tt\]\[Oo\]\[Rr\]\[Vv\]\[Ii\]\[Kk\]\*"' "$rule" ||
    fail "the udev rule does not tag TORVIK ports with uaccess"
# On the same rule: the TORVIK port is kept from ModemManager's probes.
grep 'ATTRS{product}=="\*\[Tt\]\[Oo\]\[Rr\]\[Vv\]\[Ii\]\[Kk\]\*"' "$rule" | grep -q 'ENV{ID_MM_DEVICE_IGNORE}="1"' ||
    fail "the udev rule does not keep ModemManager off TORVIK ports"
for page in torvik-master torvik-sim; do
    text=$(MANWIDTH=80 man -l "$root/usr/share/man/man1/$page.1.gz" 2>"$tmp/man.err")
    [ -s "$tmp/man.err" ] && { cat "$tmp/man.err"; fail "man warns about $page.1"; }
    grep -q "^NAME" <<<"$text" && grep -q "$page" <<<"$text" || fail "man cannot show $page.1"
done
"$root/usr/bin/torvik-master" --version | grep -q '^torvik-master [0-9]' || fail "the installed program has no --version"

# A prefix with spaces: everything lands below it, the autostart entry too.
prefix="$tmp/with space/my prefix"
if cmake --install "$build" --prefix "$prefix" >"$tmp/space.log" 2>&1; then
    for f in bin/torvik-master share/applications/$id.desktop etc/xdg/autostart/$id.desktop \
        share/icons/hicolor/48x48/apps/$id.png; do
        [ -f "$prefix/$f" ] || fail "prefix with spaces: $f is missing"
    done
else
    cat "$tmp/space.log"
    fail "cmake --install with a prefix with spaces"
fi
fi

if [ "$mode" = readonly ]; then
    # A read-only DESTDIR: refused at once with a clear message. Root writes
    # anywhere, so root tries it in a user namespace as nobody: the files stay
    # root's own (a build in a private folder stays readable), but the right to
    # write where the permissions forbid it is gone. Where no namespace can be
    # had, the real nobody tries it, who needs a build folder others may enter.
    readonly_dir=$tmp/readonly
    mkdir -p "$readonly_dir"
    chmod 555 "$readonly_dir"
    as_user=()
    if [ "$(id -u)" -eq 0 ]; then
        if unshare --user --map-user=65534 --map-group=65534 -- true 2>/dev/null; then
            as_user=(unshare --user --map-user=65534 --map-group=65534 --)
        else
            chmod 755 "$tmp"
            as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
            # In a chroot no user namespace can be had, and the build may lie in
            # a folder nobody may not enter: then the case cannot be set up here.
            if ! "${as_user[@]}" test -r "$build/cmake_install.cmake"; then
                echo "SKIP: no user namespace (unshare --user is refused) and the user nobody cannot" \
                    "read $build, so no user is at hand who may install but not write the DESTDIR"
                exit 77
            fi
        fi
fi
status=0
DESTDIR=$readonly_dir "${as_user[@]}" cmake --install "$build" --prefix /usr >"$tmp/ro.log" 2>&1 || status=$?
if [ $status -eq 0 ]; then
    fail "an install into a read-only DESTDIR succeeded"
elif ! grep -q "Cannot install into \"$readonly_dir/usr\"" "$tmp/ro.log" || ! grep -q "read-only DESTDIR" "$tmp/ro.log"; then
    cat "$tmp/ro.log"
    fail "the read-only DESTDIR was not named clearly"
fi
[ -z "$(ls -A "$readonly_dir")" ] || fail "something was written into the read-only DESTDIR"
fi

if [ $failed -eq 0 ]; then
    if [ "$mode" = layout ]; then echo "install layout is complete and valid"; else echo "a read-only DESTDIR is refused clearly"; fi
fi
exit $failed
