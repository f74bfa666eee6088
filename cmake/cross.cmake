# Cross-building for another Debian architecture, or for Windows, with
# Debian's cross compiler.
#   -DQIRVEN_TRIPLET=s390x-linux-gnu   the compiler's GNU triplet (i686-linux-gnu for i386,
#                                      x86_64-w64-mingw32ucrt for 64-bit Windows)
#   -DQIRVEN_MULTIARCH=s390x-linux-gnu the target's library folder name (i386-linux-gnu for i386)
#   -DQIRVEN_SYSROOT=/path             the target's Regina, C and C++ libraries unpacked; for
#                                      Windows, Regina's bin/, include/ and lib/
#   -DQIRVEN_QEMU=qemu-s390x           runs the target's programs, tests and regina (a Wine loader,
#                                      /usr/lib/wine/wine64, for Windows)
# tools/dev.sh cross ARCH and tools/dev.sh windows fill these in; tools/dev.sh
# package ARCH gives them as environment variables of the same names, through
# dpkg-buildpackage.
foreach(setting TRIPLET MULTIARCH SYSROOT QEMU)
  if(NOT QIRVEN_${setting})
    set(QIRVEN_${setting} "$ENV{QIRVEN_${setting}}")
  endif()
endforeach()
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR "${QIRVEN_TRIPLET}")
set(CMAKE_CXX_COMPILER ${QIRVEN_TRIPLET}-g++)
set(CMAKE_C_COMPILER ${QIRVEN_TRIPLET}-gcc)
set(CMAKE_RC_COMPILER ${QIRVEN_TRIPLET}-windres)  # Windows only
# try_compile projects read this file again and need the same settings.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QIRVEN_TRIPLET QIRVEN_MULTIARCH QIRVEN_SYSROOT QIRVEN_QEMU)

# Regina's headers and library come from the sysroot; the C and C++ runtime
# to build with is the cross compiler's own.
set(CMAKE_FIND_ROOT_PATH ${QIRVEN_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(QIRVEN_TRIPLET MATCHES "mingw32")
  set(CMAKE_SYSTEM_NAME Windows)
  # The tests and Regina's regina.exe run under Wine.
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QIRVEN_QEMU})
  set(REGINA_EXECUTABLE ${QIRVEN_SYSROOT}/bin/regina.exe CACHE FILEPATH "The target's regina")
  # Programs and the DLL carry their C++ and GCC runtimes within them.
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
  # 32-bit Windows computes doubles with SSE2 as 64-bit Windows does, not in
  # the x87's extended precision (every Windows since 8 needs SSE2).
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "i686")
    set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
    set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
  endif()
  return()
endif()

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_LIBRARY_ARCHITECTURE ${QIRVEN_MULTIARCH})
# The target's Regina may come from a newer release than the cross
# compiler's C library (riscv64 from Debian 13 on Debian 12): the symbols it
# needs are checked at run time, against the target's own C library.
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT
    "-Wl,-rpath-link,${QIRVEN_SYSROOT}/usr/lib/${QIRVEN_MULTIARCH}:${QIRVEN_SYSROOT}/lib/${QIRVEN_MULTIARCH} -Wl,--allow-shlib-undefined")
endforeach()

# The target's programs run under qemu-user with the sysroot as their root.
set(CMAKE_CROSSCOMPILING_EMULATOR ${QIRVEN_QEMU} -L ${QIRVEN_SYSROOT})
set(REGINA_EXECUTABLE ${QIRVEN_SYSROOT}/usr/bin/regina CACHE FILEPATH "The target's regina")
