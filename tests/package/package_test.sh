#!/usr/bin/env bash
# The .deb as a user gets it: its control data and file list, the desktop
# files validated, then unpacked into a throwaway root (dpkg -x: nothing on the
# system is touched) and the installed program run from there with no
# environment variable pointing it anywhere.
#
# Usage: package_test.sh BUILD_DIR   (where `cpack -G DEB` left the package)
set -euo pipefail

build=${1:?usage: package_test.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
mapfile -t debs < <(ls -t "$build"/quib_*.deb 2>/dev/null)
((${#debs[@]} > 0)) || fail "no package in $build"
deb=${debs[0]}
app_id=$(sed -n 's/.*kApplicationId\[\] = "\([^"]*\)".*/\1/p' "$here/../../src/platform/ApplicationId.h")
echo "package: $deb, application id: $app_id"

# Control data: the library dependencies were computed, and Qt's display
# plugins are there although no library check can see them.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libqt6widgets6 libsdl2 libsqlite3 libsndfile1 libebur128-1 libevdev2 libudev1 libxtst6 \
    libc6 qt6-qpa-plugins; do
    [[ $depends == *"$library"* ]] || fail "Depends lacks $library"
done

# The file list: every generated resource, the desktop files, the icons, the
# input helper, the udev rule (inactive, beside the guide); nothing setuid or
# setgid in the archive (postinst makes the helper setgid input), everything
# owned by root.
listing=$(dpkg -c "$deb")
expect_file() {
    awk -v f="./$1" '$NF == f { found = 1 } END { exit !found }' <<<"$listing" ||
        fail "the package lacks /$1"
}
for file in usr/bin/quib "usr/share/applications/$app_id.desktop" \
    "usr/share/metainfo/$app_id.metainfo.xml" "usr/share/icons/hicolor/48x48/apps/$app_id.png" \
    "usr/share/icons/hicolor/scalable/apps/$app_id.svg" usr/share/quib/70-quib-input.rules \
    usr/share/quib/access-guide.html usr/libexec/quib/quib-input-helper; do
    expect_file "$file"
done
(cd "$build/resources" && find . -type f | sed 's|^\./||') | while read -r resource; do
    expect_file "usr/share/quib/$resource"
done
! awk '$1 ~ /[sS]/' <<<"$listing" | grep . || fail "setuid or setgid files in the package"
! awk '$2 != "root/root"' <<<"$listing" | grep . || fail "files not owned by root"
! grep -q 'udev/rules.d' <<<"$listing" || fail "a udev rule is installed active"
awk '$NF == "./usr/libexec/quib/quib-input-helper" && $1 == "-rwxr-xr-x" { found = 1 }
    END { exit !found }' <<<"$listing" || fail "the helper's mode in the archive"

root=$(mktemp -d "${TMPDIR:-/tmp}/quib-package-XXXXXX")
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"

# The helper's owner, group and mode come from postinst: run it in the
# throwaway root with the system commands it calls recorded, not run.
mkdir -p "$root/stubs" "$root/control"
dpkg-deb -e "$deb" "$root/control"
for command in getent addgroup dpkg-statoverride install; do
    # Nothing is known: no input group, no override yet.
    printf '#!/bin/sh\necho "%s $*" >>"%s"\ncase "%s $1" in getent* | *--list) exit 1 ;; esac\n' \
        "$command" "$root/calls" "$command" >"$root/stubs/$command"
    chmod +x "$root/stubs/$command"
done
PATH="$root/stubs:$PATH" sh "$root/control/postinst" configure ""
grep -qx 'dpkg-statoverride --update --add root input 2755 /usr/libexec/quib/quib-input-helper' \
    "$root/calls" || fail "postinst does not make the helper root:input 2755: $(cat "$root/calls")"
grep -qx 'addgroup --system input' "$root/calls" || fail "postinst does not add a missing input group"
# The rule stays off on a fresh install; an upgrade from the version that had
# it on keeps it on, in /etc.
keep='install -D -m 644 /usr/share/quib/70-quib-input.rules /etc/udev/rules.d/70-quib-input.rules'
! grep -qx "$keep" "$root/calls" || fail "a fresh install turned the udev rule on"
[[ -e /etc/udev/rules.d/70-quib-input.rules ]] || {
    PATH="$root/stubs:$PATH" sh "$root/control/postinst" configure 0.1.0
    grep -qx "$keep" "$root/calls" || fail "an upgrade from 0.1.0 lost the udev rule: $(cat "$root/calls")"
}
env -i "$root/usr/libexec/quib/quib-input-helper" --version | grep -q '^quib-input-helper ' ||
    fail "the installed helper does not run"

# Access through the seat (uaccess), never a group, a mode, an owner or a program run as root.
rule=$root/usr/share/quib/70-quib-input.rules
grep -q 'TAG+="uaccess"' "$rule" || fail "the udev rule does not tag uaccess"
! grep -v '^#' "$rule" | grep -E 'GROUP|MODE|OWNER|RUN' || fail "the udev rule grants more than uaccess"

desktop-file-validate "$root/usr/share/applications/$app_id.desktop" || fail "desktop entry invalid"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" ||
    fail "metainfo invalid"
grep -q "^Icon=$app_id\$" "$root/usr/share/applications/$app_id.desktop" || fail "desktop Icon"
grep -q "<id>$app_id</id>" "$root/usr/share/metainfo/$app_id.metainfo.xml" || fail "metainfo id"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" \
    "$root/usr/share/metainfo/$app_id.metainfo.xml" || fail "metainfo launchable"

# The installed program, with an empty environment.
quib=$root/usr/bin/quib
env -i "$quib" --version | grep -q '^quib ' || fail "quib --version"
env -i "$quib" --help | grep -q -- '--autostart on|off' || fail "--help lacks --autostart"
stats=$(env -i "$quib" stats --json)
[[ $(jq .totalAchievementCount <<<"$stats") == 28 ]] || fail "quib stats --json: $stats"
echo "installed quib stats --json: $(jq -c '{level, totalKeystrokes, totalAchievementCount}' <<<"$stats")"

# Autostart: the entry named by the id runs the installed program and is valid.
config=$root/config
env -i HOME="$root/home" XDG_CONFIG_HOME="$config" "$quib" --autostart on --home "$root/my data"
entry=$config/autostart/$app_id.desktop
[[ -f $entry ]] || fail "quib --autostart on wrote no $entry"
desktop-file-validate "$entry" || fail "the autostart entry is invalid"
grep -q "^Exec=$quib --home \"$root/my data\"\$" "$entry" || fail "autostart Exec: $(grep Exec "$entry")"
env -i XDG_CONFIG_HOME="$config" "$quib" --autostart off
[[ ! -e $entry ]] || fail "quib --autostart off left $entry"

# The installed program finds its sounds by itself: typed keys are heard.
bash "$here/installed_clicks.sh" "$quib"
echo "PASS"
