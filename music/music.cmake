# The tune check: reads the tune file and checks it as an XM module. Pure C++ without the player
# library, so the music glue, the tune tests and the tune fuzzer all link the same code.
add_library(kapu_tune_check STATIC ${CMAKE_CURRENT_LIST_DIR}/tune_check.cpp)
target_include_directories(kapu_tune_check PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(kapu_tune_check PRIVATE kapu_warnings)

# The tune played through libmikmod (kapu_mikmod), for the live programs, the renderer and the web.
if(KAPU_PROGRAMS OR EMSCRIPTEN)
  add_library(kapu_music STATIC ${CMAKE_CURRENT_LIST_DIR}/music.cpp)
  target_link_libraries(kapu_music PRIVATE kapu_warnings PUBLIC kapu_core kapu_tune_check kapu_mikmod)
endif()

# The player library of what plays tunes it did not make itself (demo-render, the tune tests and
# the tune fuzzers): the system's libmikmod, or with KAPU_MIKMOD_ASAN a static copy built with
# AddressSanitizer from Debian's source (scripts/mikmod-asan.sh prints its folder), so that a
# read outside memory inside the library's loader or mixer is reported. The live programs and
# the tests of the music glue keep the system's library, whose sound drivers they need.
set(KAPU_MIKMOD_ASAN "" CACHE PATH
  "Folder holding mikmod.h and a static libmikmod.a built with AddressSanitizer (scripts/mikmod-asan.sh)")
if(KAPU_MIKMOD_ASAN)
  if(NOT KAPU_SANITIZE AND NOT KAPU_FUZZ)
    message(FATAL_ERROR "KAPU_MIKMOD_ASAN needs a sanitizer build (KAPU_SANITIZE or KAPU_FUZZ)")
  endif()
  add_library(kapu_mikmod_player INTERFACE)
  target_include_directories(kapu_mikmod_player SYSTEM INTERFACE ${KAPU_MIKMOD_ASAN})
  target_link_libraries(kapu_mikmod_player INTERFACE ${KAPU_MIKMOD_ASAN}/libmikmod.a m)
elseif(KAPU_PROGRAMS)
  add_library(kapu_mikmod_player INTERFACE)
  target_link_libraries(kapu_mikmod_player INTERFACE kapu_mikmod)
endif()

# demo-render's music glue: over the instrumented player where there is one (the glue built a
# second time, in that build only), otherwise the programs' own kapu_music.
if(KAPU_MIKMOD_ASAN AND KAPU_PROGRAMS)
  add_library(kapu_music_player STATIC ${CMAKE_CURRENT_LIST_DIR}/music.cpp)
  target_link_libraries(kapu_music_player PRIVATE kapu_warnings
    PUBLIC kapu_core kapu_tune_check kapu_mikmod_player)
elseif(TARGET kapu_music)
  add_library(kapu_music_player ALIAS kapu_music)
endif()
