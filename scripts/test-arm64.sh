#!/usr/bin/env bash
# Cross-compiles the conversion core and the settings layer with their tests for arm64 and runs
# them under qemu-aarch64, the exact model comparison included: the software extended arithmetic
# must give the same digits there as the x87 gives here. Installs what it needs (the arm64
# architecture for dpkg, the cross compiler, qemu-user, GoogleTest for arm64) and refuses to go
# on if apt would remove anything.
set -euo pipefail
cd "$(dirname "$0")/.."

as_root=()
if [[ $(id -u) -ne 0 ]]; then
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
apt_get=("${as_root[@]}" apt-get -o DPkg::Lock::Timeout=900)

packages=(cmake make python3 file g++-aarch64-linux-gnu qemu-user libgtest-dev:arm64)
updated=0
if ! dpkg --print-foreign-architectures | grep -qx arm64; then
  "${as_root[@]}" dpkg --add-architecture arm64
  "${apt_get[@]}" update -q
  updated=1
fi
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]} > 0)); then
  ((updated)) || "${apt_get[@]}" update -q
  if "${apt_get[@]}" install -s --no-install-recommends "${missing[@]}" | grep -q '^Remv'; then
    echo "test-arm64.sh: installing ${missing[*]} would remove packages; not going on" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  "${apt_get[@]}" install -y -q --no-install-recommends "${missing[@]}"
fi

start=$(date +%s)
build=build-arm64
cmake --preset arm64 -DRUNAMIKA_WERROR="${RUNAMIKA_WERROR:-OFF}"
cmake --build --preset arm64 -j"$(nproc)"
file "$build/tests/convert/convert_tests" | grep -q 'ARM aarch64' ||
  { echo "test-arm64.sh: the tests were not built for arm64" >&2; exit 1; }
# Left out under qemu's user mode, as they test the system rather than the processor: the
# read-only and two-copies cases and the death tests start programs of their own (the host
# kernel runs no arm64 program without qemu registered as a binary format), and the
# out-of-memory case limits the address space, which qemu itself needs. The "arm64" test preset
# leaves them out.
ctest --preset arm64 -j"$(nproc)"
echo "arm64 build and tests under qemu took $(($(date +%s) - start)) s"
