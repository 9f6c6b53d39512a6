# The Windows build's additions (read after project() through the toolchain file):
# - util/win32/ before the system headers: the few POSIX calls the Windows C library lacks;
# - SDL 1.2 and libmikmod from KAPU_WIN_PREFIX, through the .pc files scripts/windows.sh writes;
# - the programs linked statically but for SDL.dll and Windows' own libraries, every file opened
#   in binary mode (util/win32/binary_mode.cpp), with glibc's rand() (util/glibc_rand.cpp) for
#   the same stars.
include_directories(BEFORE SYSTEM ${CMAKE_CURRENT_LIST_DIR}/../../util/win32)
set(ENV{PKG_CONFIG_LIBDIR} ${KAPU_WIN_PREFIX}/lib/pkgconfig)

function(kapu_windows_programs)
  foreach(program demo demo-window demo-render)
    if(TARGET ${program})
      target_sources(${program} PRIVATE ${PROJECT_SOURCE_DIR}/util/glibc_rand.cpp
        ${PROJECT_SOURCE_DIR}/util/win32/binary_mode.cpp)
      target_link_options(${program} PRIVATE -static -mconsole)
    endif()
  endforeach()
  # SDL.dll through its import library, named in full: -static would look for a static SDL. On
  # the platform library that calls it, so that it follows that library on the link line.
  if(TARGET kapu_screen)
    target_link_libraries(kapu_screen PUBLIC ${KAPU_WIN_PREFIX}/lib/libSDL.dll.a winmm)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL kapu_windows_programs)
