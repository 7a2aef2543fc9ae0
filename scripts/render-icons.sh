#!/usr/bin/env bash
# Redraws the PNG icons in packaging/icons/ from runamika.svg, at the sizes the package installs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --with-icons
for size in 16 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" packaging/icons/runamika.svg -o "packaging/icons/runamika-$size.png"
done
