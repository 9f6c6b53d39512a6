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
