# Cross build for arm64 (aarch64) with Debian's cross compiler and multiarch libraries
# (dpkg --add-architecture arm64; g++-aarch64-linux-gnu; libgtest-dev:arm64). Test programs run
# under qemu-aarch64 (Debian qemu-user).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
# Look for arm64 packages in their multiarch folders, never in the build machine's.
set(CMAKE_IGNORE_PATH /usr/lib/x86_64-linux-gnu /usr/lib/x86_64-linux-gnu/cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /usr/aarch64-linux-gnu)
