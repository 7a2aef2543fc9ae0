#!/usr/bin/env bash
# Installs the Debian packages that building and running the program need, and only those that
# are missing; the options add the tools of the tests and checks. Runs apt-get as root, or
# through sudo otherwise.
set -euo pipefail

# libxcb1-dev: the window asks X11 for its frame (Qt's own dependencies bring it too; named here
# because the program links it).
packages=(
  cmake g++ make pkg-config
  qt6-base-dev libgl-dev libxcb1-dev
  fonts-ipafont-gothic
)
for option in "$@"; do
  case "$option" in
    # The unit and window tests, the exact model and the benchmarks.
    # The desktop tests add an X server, a window manager, X input and query tools, the
    # session protocol libraries, a colour scheme tool for the dark scheme, and a Wayland
    # compositor with its X server and the toolkit's Wayland platform.
    --with-tests) packages+=(libgtest-dev libgmock-dev libbenchmark-dev python3
                             xvfb xauth x11-utils xdotool openbox libx11-dev libxcb1-dev
                             libsm-dev libice-dev qt6ct weston xwayland qt6-wayland) ;;
    # The window managers of the desktop matrix that CI runs besides openbox; those that want a
    # session message bus get one from dbus-run-session.
    --with-desktop-matrix) packages+=(xfwm4 xfconf mutter kwin-x11 icewm dbus-daemon) ;;
    --with-display) packages+=(xvfb xauth x11-utils imagemagick) ;;
    --with-fuzzer) packages+=(clang libclang-rt-14-dev) ;;
    # Building the Debian package (dpkg-shlibdeps, file) and checking it.
    --with-packaging) packages+=(dpkg-dev file lintian desktop-file-utils appstream man-db) ;;
    # Redrawing the PNG icons from the SVG.
    --with-icons) packages+=(librsvg2-bin) ;;
    *) echo "install-deps.sh: unknown option $option" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing: ${missing[*]}"
as_root=()
if [[ $(id -u) -ne 0 ]]; then
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
