#!/usr/bin/env bash
# Proves that the Debian package is reproducible: the last commit is cloned into a fresh folder
# at another path, its package built there with scripts/package.sh (later, so at another time),
# and the two packages compared byte for byte. The first package is the one given, or one built
# the same way in a second fresh clone. A given package is only compared when the working tree
# holds nothing uncommitted (else it was not built from the last commit).
#   scripts/check-reproducible.sh [FIRST.deb]
# Prints both SHA-256 sums; exits non-zero when they differ.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
commit=$(git rev-parse HEAD)

work=$(mktemp -d /tmp/runamika-repro-XXXXXX)
trap 'rm -rf "$work"' EXIT

build_in_clone() { # build_in_clone FOLDER: prints the package's path
  git clone -q "$repo" "$1"
  git -C "$1" checkout -q --detach "$commit"
  echo "Building the package of $commit in $1 (a full Release build, a minute or more)" >&2
  "$1/scripts/package.sh"
}

first=${1:-}
if [[ -n $first && -n $(git status --porcelain --untracked-files=normal) ]]; then
  echo "The working tree has uncommitted changes: building both packages from clones of $commit"
  first=
fi
if [[ -z $first ]]; then
  first=$(build_in_clone "$work/one/src" | tail -n 1)
fi
second=$(build_in_clone "$work/second-folder/deeper/src" | tail -n 1)

sum_first=$(sha256sum "$first" | cut -d' ' -f1)
sum_second=$(sha256sum "$second" | cut -d' ' -f1)
echo "$sum_first  $first"
echo "$sum_second  $second"
if [[ $sum_first == "$sum_second" ]]; then
  echo "reproducible: the two packages are identical"
  exit 0
fi
echo "NOT reproducible: the packages differ. Files that differ, then the archive listings:"
dpkg-deb -R "$first" "$work/unpacked-first"
dpkg-deb -R "$second" "$work/unpacked-second"
diff -rq "$work/unpacked-first" "$work/unpacked-second" | head -n 20 || true
diff <(dpkg-deb -c "$first") <(dpkg-deb -c "$second") | head -n 20 || true
exit 1
