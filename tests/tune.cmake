# The tune: the XM writer and score reader, regeneration of the shipped file, the check the music
# glue makes before loading (tests/tune/xm_cases.h: the damaged modules), playback in libmikmod,
# and a cross-check against independent players.
set(KAPU_TUNE_TEST_DIR ${CMAKE_CURRENT_LIST_DIR}/tune)
set(KAPU_TUNE_SCORE ${PROJECT_SOURCE_DIR}/tools/tune/score.txt)

add_executable(kapu_tune_tests ${KAPU_TUNE_TEST_DIR}/writer_test.cpp ${KAPU_TUNE_TEST_DIR}/score_test.cpp
  ${KAPU_TUNE_TEST_DIR}/check_test.cpp ${KAPU_TUNE_TEST_DIR}/measure_test.cpp)
target_link_libraries(kapu_tune_tests PRIVATE
  kapu_tune kapu_tune_check kapu_warnings GTest::gtest GTest::gtest_main)
target_compile_definitions(kapu_tune_tests PRIVATE
  KAPU_DATA_DIR="${KAPU_DATA_DIR}"
  KAPU_TUNE_SCORE="${KAPU_TUNE_SCORE}"
  KAPU_MAKE_TUNE="$<TARGET_FILE:make_tune>"
  _GLIBCXX_ASSERTIONS)
add_dependencies(kapu_tune_tests make_tune)
kapu_discover_tests(kapu_tune_tests 120)

if(TARGET kapu_mikmod_player)
  add_library(kapu_tune_capture STATIC ${KAPU_TUNE_TEST_DIR}/capture.cpp)
  target_include_directories(kapu_tune_capture PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(kapu_tune_capture PRIVATE kapu_warnings PUBLIC kapu_mikmod_player)

  add_executable(kapu_tune_play_tests ${KAPU_TUNE_TEST_DIR}/play_test.cpp)
  target_link_libraries(kapu_tune_play_tests PRIVATE
    kapu_tune_capture kapu_tune kapu_tune_check kapu_warnings GTest::gtest GTest::gtest_main)
  target_compile_definitions(kapu_tune_play_tests PRIVATE
    KAPU_DATA_DIR="${KAPU_DATA_DIR}"
    KAPU_TUNE_SCORE="${KAPU_TUNE_SCORE}"
    _GLIBCXX_ASSERTIONS)
  kapu_discover_tests(kapu_tune_play_tests 300)

  # Renders with libmikmod for the cross-check below and for listening.
  add_executable(tune_mikmod_render ${KAPU_TUNE_TEST_DIR}/mikmod_render.cpp)
  target_link_libraries(tune_mikmod_render PRIVATE kapu_tune_capture kapu_warnings)

  # Exits 77 (skipped) when openmpt123, xmp or sox is missing. The song must fill the demo's
  # part cycle of 4001 video frames (with the update that ends it and the reload frame).
  add_test(NAME tune_independent_players
    COMMAND ${KAPU_TUNE_TEST_DIR}/check_players.sh
            $<TARGET_FILE:tune_mikmod_render> ${KAPU_DATA_DIR}/quenFalox.xm 4001)
  set_tests_properties(tune_independent_players PROPERTIES
    SKIP_RETURN_CODE 77 TIMEOUT 300 ENVIRONMENT "${KAPU_TEST_ENV}")
endif()

# Ten uninterrupted part cycles rendered as the demo plays them: downbeats on the part switches,
# the loop, the sync hits, the loudness of each part, width, brightness, and drums against bass
# from channels rendered alone (sox and ffmpeg; 77 = skipped).
if(TARGET demo-render)
  add_test(NAME tune_sound_figures COMMAND ${PROJECT_SOURCE_DIR}/scripts/tune-measure.sh --check)
  set_tests_properties(tune_sound_figures PROPERTIES
    SKIP_RETURN_CODE 77 TIMEOUT 300
    ENVIRONMENT "DEMO_RENDER=$<TARGET_FILE:demo-render>;MEASURE_TUNE=$<TARGET_FILE:measure_tune>;MAKE_TUNE=$<TARGET_FILE:make_tune>")
endif()
