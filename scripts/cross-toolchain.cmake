# Cross build with Debian's cross compilers, for the target named by RUNAMIKA_CROSS_TRIPLE
# (aarch64-linux-gnu, arm-linux-gnueabihf, i686-linux-gnu, s390x-linux-gnu,
# powerpc64le-linux-gnu, riscv64-linux-gnu: g++-<triple>; x86_64-w64-mingw32: g++-mingw-w64).
# Test programs run through RUNAMIKA_CROSS_EMULATOR (qemu-user with the target's libraries, or
# wine). scripts/test-cross.sh sets both.
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES RUNAMIKA_CROSS_TRIPLE RUNAMIKA_CROSS_EMULATOR)
if(NOT RUNAMIKA_CROSS_TRIPLE)
  message(FATAL_ERROR "cross-toolchain.cmake needs -DRUNAMIKA_CROSS_TRIPLE=<triple>")
endif()
set(triple ${RUNAMIKA_CROSS_TRIPLE})
if(triple MATCHES "mingw32$")
  set(CMAKE_SYSTEM_NAME Windows)
  set(CMAKE_SYSTEM_PROCESSOR x86_64)
  # The POSIX thread model, which GoogleTest's threads need; linked statically, so the test
  # programs run under wine without the compiler's DLLs beside them.
  set(CMAKE_C_COMPILER ${triple}-gcc-posix)
  set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
  set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
else()
  set(CMAKE_SYSTEM_NAME Linux)
  string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR ${triple})
  set(CMAKE_C_COMPILER ${triple}-gcc)
  set(CMAKE_CXX_COMPILER ${triple}-g++)
  set(CMAKE_LIBRARY_ARCHITECTURE ${triple})
endif()
# Libraries and headers of the target only; programs (python3 for the exact model) of the host.
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
if(RUNAMIKA_CROSS_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${RUNAMIKA_CROSS_EMULATOR})
endif()
