# The tune generator: score text -> XM module, in plain C++ (no player library); and the
# measures of the rendered sound.
add_library(kapu_tune STATIC
  ${CMAKE_CURRENT_LIST_DIR}/tune/xm_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tune/synth.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tune/score.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tune/timing.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tune/wav_measure.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tune/variety.cpp)
target_include_directories(kapu_tune PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(kapu_tune PRIVATE kapu_warnings PUBLIC m)

set(KAPU_TUNE_SCORE ${CMAKE_CURRENT_LIST_DIR}/tune/score.txt)
add_executable(make_tune ${CMAKE_CURRENT_LIST_DIR}/tune/make_tune.cpp)
target_link_libraries(make_tune PRIVATE kapu_tune kapu_warnings)
target_compile_definitions(make_tune PRIVATE KAPU_TUNE_SCORE="${KAPU_TUNE_SCORE}")

# Timing figures of a sound rendered with demo-render --wav (scripts/tune-measure.sh).
add_executable(measure_tune ${CMAKE_CURRENT_LIST_DIR}/tune/measure_tune.cpp)
target_link_libraries(measure_tune PRIVATE kapu_tune kapu_warnings)
