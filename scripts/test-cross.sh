#!/usr/bin/env bash
# Cross-compiles the conversion core (and, for Linux targets, the settings layer) with their
# tests for other processors and runs them there: under qemu-user for every processor that
# Debian ships a cross compiler for, under wine for 64-bit Windows (MinGW-w64, x87 long double).
# The exact model comparison runs on each, so every processor must give the digits the x87 gives
# here. GoogleTest is built from Debian's googletest sources with each cross compiler.
#
#   scripts/test-cross.sh                 every target in the table below
#   scripts/test-cross.sh armhf i386      the named ones
#
# Installs what it needs and refuses to go on if apt would remove anything. Each target is a
# preset of CMakePresets.json and builds in build-cross/<name>; the time each took is printed at
# the end.
set -euo pipefail
cd "$(dirname "$0")/.."

# name     triple                 how its programs run              cross compiler package(s)
targets=(
  "arm64   aarch64-linux-gnu      qemu-aarch64                      g++-aarch64-linux-gnu"
  "armhf   arm-linux-gnueabihf    qemu-arm                          g++-arm-linux-gnueabihf"
  "i386    i686-linux-gnu         qemu-i386                         g++-i686-linux-gnu"
  "s390x   s390x-linux-gnu        qemu-s390x                        g++-s390x-linux-gnu"
  "ppc64el powerpc64le-linux-gnu  qemu-ppc64le                      g++-powerpc64le-linux-gnu"
  "riscv64 riscv64-linux-gnu      qemu-riscv64                      g++-riscv64-linux-gnu"
  "mingw64 x86_64-w64-mingw32     wine                              g++-mingw-w64-x86-64-posix,wine,wine64"
)

wanted=("$@")
selected=()
for row in "${targets[@]}"; do
  read -r name _ <<<"$row"
  if ((${#wanted[@]} == 0)) || [[ " ${wanted[*]} " == *" $name "* ]]; then
    selected+=("$row")
  fi
done
if ((${#selected[@]} == 0)); then
  echo "test-cross.sh: no such target: ${wanted[*]}" >&2
  exit 2
fi

# What the selected targets need.
packages=(cmake make python3 googletest)
for row in "${selected[@]}"; do
  read -r _ _ runner debs <<<"$row"
  [[ $runner == qemu-* ]] && packages+=(qemu-user)
  IFS=, read -r -a list <<<"$debs"
  packages+=("${list[@]}")
done
missing=()
for p in $(printf '%s\n' "${packages[@]}" | sort -u); do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]} > 0)); then
  as_root=()
  [[ $(id -u) -ne 0 ]] && as_root=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  apt_get=("${as_root[@]}" apt-get -o DPkg::Lock::Timeout=900)
  "${apt_get[@]}" update -q
  if "${apt_get[@]}" install -s --no-install-recommends "${missing[@]}" | grep -q '^Remv'; then
    echo "test-cross.sh: installing ${missing[*]} would remove packages; not going on" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  "${apt_get[@]}" install -y -q --no-install-recommends "${missing[@]}"
fi

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

# Each target is a preset of CMakePresets.json (configure, build and test presets of the same
# name; the test preset leaves out what emulation cannot run).
timings=()
for row in "${selected[@]}"; do
  read -r name triple runner _ <<<"$row"
  echo "== $name ($triple): build, then the tests under $runner"
  start=$(date +%s)
  mkdir -p build-cross
  cmake --preset "$name" -DRUNAMIKA_WERROR="${RUNAMIKA_WERROR:-OFF}" "${launcher[@]}" \
    >"build-cross/$name.configure.log" || { cat "build-cross/$name.configure.log"; exit 1; }
  cmake --build --preset "$name" -j"$(nproc)"
  ctest --preset "$name" -j"$(nproc)"
  timings+=("$name $(($(date +%s) - start)) s")
done
echo "== time per target (build and tests)"
printf '  %s\n' "${timings[@]}"
