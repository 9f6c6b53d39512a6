# Cross-building for 64-bit Windows with Debian's MinGW-w64 (scripts/windows.sh). The -posix
# compilers: the default thread model of Debian's MinGW-w64 has no std::thread, which the
# frame pacer sleeps with. KAPU_WIN_PREFIX is the folder where SDL 1.2 and libmikmod, built for
# Windows, are installed; programs built here run under wine (ctest, gtest discovery).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KAPU_WIN_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KAPU_WIN_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KAPU_WIN_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KAPU_WIN_TRIPLE}-windres)
set(CMAKE_AR ${KAPU_WIN_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${KAPU_WIN_TRIPLE}-ranlib CACHE FILEPATH "")
set(PKG_CONFIG_EXECUTABLE ${KAPU_WIN_TRIPLE}-pkg-config CACHE FILEPATH "")

set(KAPU_WIN_PREFIX "" CACHE PATH "Where SDL 1.2 and libmikmod for Windows are installed")
set(CMAKE_FIND_ROOT_PATH /usr/${KAPU_WIN_TRIPLE} ${KAPU_WIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
# What the Windows build adds to the project, read right after its project() command.
set(CMAKE_PROJECT_INCLUDE ${CMAKE_CURRENT_LIST_DIR}/windows.cmake)
