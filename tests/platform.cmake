# Tests of the code over SDL and libmikmod: screen, keyboard, music glue, frame pacing and the
# driver's start-up and shutdown, under SDL's dummy video and audio drivers.
if(KAPU_PROGRAMS)
  file(GLOB KAPU_PLATFORM_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/platform/*_test.cpp)
  add_executable(kapu_platform_tests ${KAPU_PLATFORM_TESTS}
    ${CMAKE_CURRENT_SOURCE_DIR}/platform/sanitizer_options.cpp)
  target_link_libraries(kapu_platform_tests PRIVATE kapu_native kapu_warnings
    GTest::gtest GTest::gtest_main)
  target_include_directories(kapu_platform_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_definitions(kapu_platform_tests PRIVATE
    KAPU_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data"
    KAPU_DATA_DIR="${KAPU_DATA_DIR}"
    KAPU_WINDOW_CLASS="${KAPU_WINDOW_CLASS}"
    _GLIBCXX_ASSERTIONS)
  # Each test runs in a process of its own, so the one SCREEN and KEYBOARD start fresh.
  kapu_discover_tests(kapu_platform_tests 120)
endif()
