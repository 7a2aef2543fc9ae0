#!/usr/bin/env bash
# Checks the Debian package: lintian reports no errors, the desktop entry and the AppStream
# metadata validate, and unpacked into a throwaway root every file lies where the desktop looks
# for it. Builds the package with scripts/package.sh unless given its path.
#   scripts/check-package.sh [runamika_VERSION_ARCH.deb]
# Ends with "N passed, M failed" and exits non-zero when a check failed.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --with-packaging || exit 1

built_here=0
if (($# > 0)); then
  deb=$(realpath "$1")
else
  deb=$(scripts/package.sh | tail -n 1) || { echo "0 passed, 1 failed"; exit 1; }
  built_here=1
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

# lintian, pedantic: any error, warning or pedantic tag fails the check; information tags are
# listed.
lintian_out=$root.lintian
lintian --allow-root --pedantic --tag-display-limit 0 "$deb" >"$lintian_out" 2>&1
if grep -q '^[EWP]: ' "$lintian_out"; then
  fail "lintian --pedantic reports nothing"
  grep '^[EWP]: ' "$lintian_out"
else
  pass "lintian --pedantic reports nothing"
fi
if grep -q '^I: ' "$lintian_out"; then
  echo "lintian information:"
  grep '^I: ' "$lintian_out" | sed 's/^/  /'
fi
rm -f "$lintian_out"

# The control fields.
field() { dpkg-deb --field "$deb" "$1"; }
# The one version (the top-level project()) and the one copyright line (LICENSE) everywhere.
version=$(sed -n 's/^project(runamika VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
copyright_line=$(sed -n 's/^Copyright (c) //p' LICENSE) # year and holder
holder=${copyright_line#* }
check "package runamika $version" test "$(field Package) $(field Version)" = "runamika $version"
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
manual=$(zcat "$root/usr/share/man/man1/runamika.1.gz")
check "manual page is of runamika $version" grep -q "^\.TH RUNAMIKA 1 .* \"runamika $version\"" <<<"$manual"
check "manual page documents the options and exit codes" \
  bash -c 'for w in "\\-\\-help" "\\-\\-version" "\\-platform" "EXIT STATUS"; do
             grep -qF -- "$w" <<<"$1" || exit 1; done' _ "$manual"
check "manual page names $copyright_line" grep -qF "$copyright_line" <<<"$manual"
metainfo=$root/usr/share/metainfo/$app.metainfo.xml
check "metainfo: release $version, MIT, metadata CC0-1.0" bash -c \
  'grep -q "<release version=\"$2\"" "$1" && grep -qF "<project_license>MIT</project_license>" "$1" &&
   grep -qF "<metadata_license>CC0-1.0</metadata_license>" "$1"' _ "$metainfo" "$version"
check "metainfo names $holder" grep -qF "<developer_name>$holder</developer_name>" "$metainfo"
copyright=$root/usr/share/doc/runamika/copyright
check "copyright: machine-readable, $copyright_line, MIT" bash -c \
  'grep -q "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" "$1" &&
   grep -qxF "Copyright: $2" "$1" && grep -qx "License: MIT" "$1"' _ "$copyright" "$copyright_line"
check "changelog's last entry is $version" \
  bash -c 'zcat "$1" | head -n 1 | grep -q "^runamika ($2) "' _ \
  "$root/usr/share/doc/runamika/changelog.gz" "$version"
check "the program says runamika $version" \
  test "$("$root/usr/bin/runamika" --version 2>&1)" = "runamika $version"
check "the About dialog says Copyright (C) $copyright_line" \
  grep -aqF "Copyright (C) $copyright_line" "$root/usr/bin/runamika"

# The unpacked program starts and keeps running until stopped (offscreen: no display needed).
# Its settings go to a throwaway folder.
started() {
  local code=0
  HOME=$root/home XDG_CONFIG_HOME=$root/home/.config QT_QPA_PLATFORM=offscreen \
    timeout 3 "$root/usr/bin/runamika" >/dev/null 2>&1 || code=$?
  [[ $code -eq 124 ]]
}
check "the unpacked program starts" started

# Reproducible: the same commit built again in another folder gives the same bytes. Only for a
# package built here from this tree; RUNAMIKA_SKIP_REPRODUCIBLE=1 leaves the second build out.
if ((built_here)) && [[ ${RUNAMIKA_SKIP_REPRODUCIBLE:-0} != 1 ]]; then
  check "reproducible: a second build in another folder is identical" \
    scripts/check-reproducible.sh "$deb"
fi

echo "$passed passed, $failed failed"
((failed == 0))
