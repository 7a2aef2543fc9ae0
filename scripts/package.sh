#!/usr/bin/env bash
# Builds the Debian package of an installed copy: configures build-package/ with the "package"
# preset (Release, window placement file kept per user), builds, runs cpack and prints the package's path last.
# The package is reproducible: every time stamp (compiled-in resources, archive members, files)
# is the last commit's time, and the build folder's path is mapped out of the program, so the
# same commit gives the same bytes in any folder at any time (scripts/check-reproducible.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --with-packaging >&2
if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) || {
    echo "package.sh: not a git checkout; set SOURCE_DATE_EPOCH to the release's time" >&2
    exit 1
  }
fi
export SOURCE_DATE_EPOCH
# The "package" preset: Release, per-user placement file, hardening flags, the source folder's
# path mapped to "." in the program.
cmake --preset package >&2
cmake --build --preset package -j"$(nproc)" >&2
cpack --preset package >&2
shopt -s nullglob
debs=(build-package/runamika_*.deb)
if ((${#debs[@]} != 1)); then
  echo "package.sh: cpack made no package" >&2
  exit 1
fi
realpath "${debs[0]}"
