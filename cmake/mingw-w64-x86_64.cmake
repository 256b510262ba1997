# Cross build for 64-bit Windows with Debian's mingw-w64 compilers (the "posix" thread model,
# which std::thread and the standard library's waits need).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELTRA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELTRA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELTRA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VELTRA_MINGW_TRIPLE}-windres)

# Libraries and headers come from the cross root and from the prefix where the build script
# installs what it cross-builds (libxlsxwriter, GoogleTest); programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${VELTRA_MINGW_TRIPLE})
if(DEFINED ENV{VELTRA_WINDOWS_PREFIX})
  list(APPEND CMAKE_FIND_ROOT_PATH $ENV{VELTRA_WINDOWS_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test discovery and ctest run the Windows programs under Wine.
find_program(VELTRA_WINE NAMES wine64 wine)
if(VELTRA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VELTRA_WINE})
endif()
