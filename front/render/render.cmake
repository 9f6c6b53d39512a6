# demo-render: the demo's part cycle without display or sound device, writing frames, the tune
# and videos. The loop, options and writers are a library of their own so the tests can use them.
set(KAPU_RENDER_DIR ${CMAKE_CURRENT_LIST_DIR})

add_library(kapu_render STATIC
  ${KAPU_RENDER_DIR}/frame_io.cpp
  ${KAPU_RENDER_DIR}/options.cpp
  ${KAPU_RENDER_DIR}/output_file.cpp
  ${KAPU_RENDER_DIR}/ffmpeg.cpp)
target_link_libraries(kapu_render PRIVATE kapu_warnings PUBLIC kapu_core)

if(KAPU_PROGRAMS AND TARGET kapu_music_player)
  add_executable(demo-render ${KAPU_RENDER_DIR}/main.cpp ${KAPU_RENDER_DIR}/capture.cpp)
  target_link_libraries(demo-render PRIVATE kapu_render kapu_music_player kapu_data_folder kapu_warnings)
  set_target_properties(demo-render PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
endif()
