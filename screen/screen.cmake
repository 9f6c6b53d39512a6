# SCREEN and KEYBOARD over SDL 1.2 (kapu_sdl): the one part of the platform layer that includes SDL.
if(KAPU_PROGRAMS OR EMSCRIPTEN)
  add_library(kapu_screen STATIC ${CMAKE_CURRENT_LIST_DIR}/screen.cpp ${CMAKE_CURRENT_LIST_DIR}/keyboard.cpp)
  target_link_libraries(kapu_screen PRIVATE kapu_warnings PUBLIC kapu_core kapu_sdl)
endif()
