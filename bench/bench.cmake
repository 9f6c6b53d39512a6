# kapu_bench: Google Benchmark timings of one frame of each part, a fade step, the start-up and
# the whole cycle against a plain frame copy. Run it from a release build: scripts/bench.sh.
find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(kapu_bench ${CMAKE_CURRENT_LIST_DIR}/frame_bench.cpp)
  target_link_libraries(kapu_bench PRIVATE kapu_core kapu_warnings benchmark::benchmark)
  target_compile_definitions(kapu_bench PRIVATE KAPU_DATA_DIR="${KAPU_DATA_DIR}")
  set_target_properties(kapu_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
endif()
