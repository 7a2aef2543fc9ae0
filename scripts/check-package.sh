#!/usr/bin/env bash
# Checks the Debian package: lintian reports no errors, the desktop entry and the AppStream
# metadata validate, and unpacked into a throwaway root every file lies where the desktop looks
# for it. Builds the package with scripts/package.sh unless given its path.
#   scripts/check-package.sh [runamika_VERSION_ARCH.deb]
# Ends with "N passed, M failed" and exits non-zero when a check failed.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --with-packaging || exit 1

if (($# > 0)); then
  deb=$(realpath "$1")
else
  deb=$(scripts/package.sh | tail -n 1) || { echo "0 passed, 1 failed"; exit 1; }
fi

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "PASS $*"; }
fail() { failed=$((failed + 1)); echo "FAIL $*"; }
check() { # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

root=$(mktemp -d /tmp/runamika-pkg-XXXXXX)
trap 'rm -rf "$root"' EXIT
echo "Package: $deb"

# lintian: errors fail the check, warnings are listed.
lintian_out=$root.lintian
lintian --allow-root --tag-display-limit 0 "$deb" >"$lintian_out" 2>&1
if grep -q '^E: ' "$lintian_out"; then
  fail "lintian reports no errors"
  grep '^E: ' "$lintian_out"
else
  pass "lintian reports no errors"
fi
if grep -q '^W: ' "$lintian_out"; then
  echo "lintian warnings:"
  grep '^W: ' "$lintian_out" | sed 's/^/  /'
fi
rm -f "$lintian_out"

# The control fields.
field() { dpkg-deb --field "$deb" "$1"; }
check "package runamika 0.26" test "$(field Package) $(field Version)" = "runamika 0.26"
check "section utils" test "$(field Section)" = utils
depends=$(field Depends)
echo "Depends: $depends"
for dep in libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins fonts-ipafont-gothic; do
  check "depends on $dep" grep -q -E "(^|, )$dep( |,|$)" <<<"$depends"
done

# Unpacked: every file where the desktop expects it.
dpkg-deb -x "$deb" "$root"
app=com.example.runamika
check "usr/bin/runamika is an executable" test -x "$root/usr/bin/runamika"
for path in \
  usr/share/applications/$app.desktop \
  usr/share/metainfo/$app.metainfo.xml \
  usr/share/icons/hicolor/scalable/apps/runamika.svg \
  usr/share/man/man1/runamika.1.gz \
  usr/share/doc/runamika/copyright \
  usr/share/doc/runamika/changelog.gz; do
  check "$path" test -s "$root/$path"
done
for size in 16 32 48 64 128 256; do
  png=usr/share/icons/hicolor/${size}x${size}/apps/runamika.png
  check "$png is ${size}x${size}" grep -q "PNG image data, $size x $size" <<<"$(file -b "$root/$png")"
done

desktop=$root/usr/share/applications/$app.desktop
check "desktop-file-validate" desktop-file-validate "$desktop"
check "appstreamcli validate" appstreamcli validate --no-net "$root/usr/share/metainfo/$app.metainfo.xml"
for line in 'Name=ルナミカ99年版' 'Exec=runamika' 'Icon=runamika' 'Categories=Utility;Calculator;'; do
  check "desktop entry has $line" grep -qxF "$line" "$desktop"
done
check "desktop entry has a Japanese and an English comment" \
  bash -c 'grep -q "^Comment=" "$1" && grep -q "^Comment\[ja\]=" "$1"' _ "$desktop"
check "metainfo names the desktop entry" \
  grep -qF "<launchable type=\"desktop-id\">$app.desktop</launchable>" \
  "$root/usr/share/metainfo/$app.metainfo.xml"
check "manual page renders" \
  bash -c 'man -l "$1" 2>/dev/null | grep -q "runamika"' _ "$root/usr/share/man/man1/runamika.1.gz"

# The unpacked program starts and keeps running until stopped (offscreen: no display needed).
# Its settings go to a throwaway folder.
started() {
  local code=0
  HOME=$root/home XDG_CONFIG_HOME=$root/home/.config QT_QPA_PLATFORM=offscreen \
    timeout 3 "$root/usr/bin/runamika" >/dev/null 2>&1 || code=$?
  [[ $code -eq 124 ]]
}
check "the unpacked program starts" started

echo "$passed passed, $failed failed"
((failed == 0))
