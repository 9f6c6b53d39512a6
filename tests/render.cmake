# demo-render and the golden frames: the renderer's options and writers, frames of the part
# cycle against the checksums in tests/golden/frames.txt, the program's frame counts, sound and
# echo, and the echo of demo-window under a virtual display.
if(TARGET kapu_render)
  set(KAPU_RENDER_TEST_DIR ${CMAKE_CURRENT_LIST_DIR}/render)
  set(KAPU_RENDER_TEST_SOURCES
    ${KAPU_RENDER_TEST_DIR}/golden_test.cpp
    ${KAPU_RENDER_TEST_DIR}/tools_test.cpp)
  if(TARGET demo-render)
    list(APPEND KAPU_RENDER_TEST_SOURCES ${KAPU_RENDER_TEST_DIR}/program_test.cpp)
  endif()
  add_executable(kapu_render_tests ${KAPU_RENDER_TEST_SOURCES})
  target_link_libraries(kapu_render_tests PRIVATE
    kapu_render kapu_core kapu_warnings GTest::gtest GTest::gtest_main)
  target_include_directories(kapu_render_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_compile_definitions(kapu_render_tests PRIVATE
    KAPU_DATA_DIR="${KAPU_DATA_DIR}"
    KAPU_GOLDEN_DIR="${CMAKE_CURRENT_LIST_DIR}/golden"
    KAPU_GOLDEN_OUT_DIR="${CMAKE_CURRENT_BINARY_DIR}/golden-out"
    _GLIBCXX_ASSERTIONS)
  if(TARGET demo-render)
    # Preloaded into demo-render to make its operator new fail after a given number of calls.
    add_library(kapu_failing_new MODULE ${KAPU_RENDER_TEST_DIR}/failing_new.cpp)
    target_link_libraries(kapu_failing_new PRIVATE kapu_warnings)
    target_compile_definitions(kapu_render_tests PRIVATE
      KAPU_DEMO_RENDER="$<TARGET_FILE:demo-render>"
      KAPU_FAILING_NEW="$<TARGET_FILE:kapu_failing_new>")
    add_dependencies(kapu_render_tests demo-render kapu_failing_new)
  endif()
  kapu_discover_tests(kapu_render_tests 300)

  # The live program's echo, in the few seconds it runs, begins as demo-render's does.
  if(TARGET demo-window AND TARGET demo-render)
    add_test(NAME render_window_echo_prefix
      COMMAND ${KAPU_RENDER_TEST_DIR}/window_echo.sh
              $<TARGET_FILE:demo-window> $<TARGET_FILE:demo-render> ${KAPU_DATA_DIR})
    set_tests_properties(render_window_echo_prefix PROPERTIES
      SKIP_RETURN_CODE 77 TIMEOUT 180 ENVIRONMENT "${KAPU_TEST_ENV}")
  endif()
endif()
