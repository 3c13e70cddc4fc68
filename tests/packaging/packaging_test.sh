#!/usr/bin/env bash
# Builds the two Debian packages, unpacks them into a scratch root (dpkg-deb -x)
# and checks what they hold, what they depend on, that their binaries find
# their libraries there, that the launcher seeds a user's directory without
# overwriting what the user changed, and that lintian finds no errors.
#   packaging_test.sh BUILD_DIR SOURCE_DIR SCRATCH_DIR
set -euo pipefail
build=$1 source=$2 scratch=$3
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$scratch"
mkdir -p "$scratch"
cd "$scratch"
cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >cpack.log 2>&1 || { cat cpack.log; fail "cpack"; }
qv=$(echo out/qv-gui_*.deb) wf=$(echo out/grafona-pkg-cb6_*.deb)
[ -f "$qv" ] && [ -f "$wf" ] || { ls out; fail "expected one qv-gui and one grafona-pkg-cb6 package"; }
[ "$(ls out/*.deb | wc -l)" -eq 2 ] || { ls out; fail "more packages than the two"; }

# What each package holds: exactly these files, and every text file of lang/.
contents() { mkdir "$2" && dpkg-deb -x "$1" "$2" && (cd "$2" && find . ! -type d | sed 's|^\./||' | sort); }
expected_qv=$( {
  printf '%s\n' usr/bin/kt740-sim usr/bin/qv-cli usr/bin/qv-gui usr/lib/qv-gui/QV-Gui \
    usr/share/applications/qv-gui.desktop usr/share/bash-completion/completions/qv-cli \
    usr/share/doc/qv-gui/changelog.gz usr/share/doc/qv-gui/copyright \
    usr/share/icons/hicolor/scalable/apps/qv-gui.svg usr/share/man/man1/kt740-sim.1.gz \
    usr/share/man/man1/qv-cli.1.gz usr/share/man/man1/qv-gui.1.gz usr/share/metainfo/com.quorvia.qv_gui.metainfo.xml
  (cd "$source/lang" && ls *_de.txt *_en.txt *_fr.txt) | sed 's|^|usr/share/qv-gui/|'
} | sort)
[ "$(echo "$expected_qv" | grep -c "^usr/share/qv-gui/")" -eq 36 ] || fail "lang/ should hold 36 text files"
diff -u <(echo "$expected_qv") <(contents "$qv" qv-root) || fail "files of $qv"
wflib=usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/grafona-pkg-cb6
expected_wf=$(printf '%s\n' usr/bin/waterfall-demo $wflib/GrafonaPkgCB6.so $wflib/libqv_wfbase.so $wflib/waterfall-demo \
  usr/share/doc/grafona-pkg-cb6/changelog.gz usr/share/doc/grafona-pkg-cb6/copyright \
  usr/share/man/man1/waterfall-demo.1.gz | sort)
diff -u <(echo "$expected_wf") <(contents "$wf" wf-root) || fail "files of $wf"

# Run-time dependencies: shlibdeps found the Qt libraries and libgensio (its
# Telnet and TCP layers come with it), and the platform
# plugins it cannot see are named by hand.
for want in libqt6charts6 libqt6widgets6 libc6 libgensio4 qt6-qpa-plugins; do
  dpkg-deb -f "$qv" Depends | grep -q "$want" || fail "qv-gui does not depend on $want: $(dpkg-deb -f "$qv" Depends)"
done
for want in libqt6widgets6 qt6-qpa-plugins; do
  dpkg-deb -f "$wf" Depends | grep -q "$want" || fail "grafona-pkg-cb6 does not depend on $want"
done

# Every binary finds its libraries where the package puts them (the demo host
# and the component package their base library beside them).
missing=$(ldd qv-root/usr/lib/qv-gui/QV-Gui qv-root/usr/bin/kt740-sim wf-root/$wflib/* |
          grep 'not found' || true)
[ -z "$missing" ] || fail "libraries not found: $missing"

# The launcher, with a stand-in for the program that notes where and how it
# was started instead of opening a window.
cat >qv-root/usr/lib/qv-gui/QV-Gui <<'STUB'
#!/bin/sh
echo "$PWD $*" >started
STUB
installed=qv-root/usr/share/qv-gui
export HOME=$scratch/home
unset XDG_DATA_HOME
user=$HOME/.local/share/qv-gui
qv-root/usr/bin/qv-gui first
[ "$(cat "$user/started")" = "$user first" ] || fail "program started as: $(cat "$user/started")"
for f in "$installed"/*.txt; do cmp "$f" "$user/${f##*/}" || fail "${f##*/} not seeded"; done

# The user edits a text file and has settings; a file goes missing; a newer
# package brings changed text files.
echo "edited by the user" >>"$user/Messages_de.txt"
printf '[SETTINGS]\nCOMPORT=3\n' >"$user/QV-GUI.ini"
cp "$user/QV-GUI.ini" ini.before
cp "$user/Messages_de.txt" messages.before
rm "$user/Grafik_labels_en.txt"
echo "new in this version" >>"$installed/Messages_de.txt"
echo "new in this version" >>"$installed/Betrieb_labels_fr.txt"
qv-root/usr/bin/qv-gui
cmp "$user/Messages_de.txt" messages.before || fail "the user's edited text file was overwritten"
cmp "$user/QV-GUI.ini" ini.before || fail "QV-GUI.ini was changed"
cmp "$installed/Grafik_labels_en.txt" "$user/Grafik_labels_en.txt" || fail "a missing text file was not restored"
cmp "$installed/Betrieb_labels_fr.txt" "$user/Betrieb_labels_fr.txt" || fail "an unedited text file was not updated"

XDG_DATA_HOME=$scratch/data qv-root/usr/bin/qv-gui
cmp "$installed/Messages_fr.txt" "$scratch/data/qv-gui/Messages_fr.txt" || fail "XDG_DATA_HOME not followed"

# The demo host, started through its starter, loads the installed component
# package and grabs its window (after 13 s; lintian runs meanwhile).
QT_QPA_PLATFORM=offscreen timeout 60 wf-root/usr/bin/waterfall-demo --grab demo.png >demo.log 2>&1 &
demo=$!

# lintian: errors fail; warnings are shown.
lintian --fail-on error --no-tag-display-limit "$qv" "$wf" | tee lintian.log || fail "lintian found errors"
wait $demo || { cat demo.log; fail "waterfall-demo failed"; }
grep -q TGFMultiWaterfall demo.log && [ -s demo.png ] || { cat demo.log; fail "waterfall-demo showed no waterfall"; }
echo "packaging: $(basename "$qv") and $(basename "$wf") checked"
