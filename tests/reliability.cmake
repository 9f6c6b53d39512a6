# Reliability: the programs over damaged data (every picture and the tune, each damaged in the
# ways listed in reliability/bad_data.sh), memory flat over ten part cycles, and valgrind's
# memcheck over demo-render's whole cycle and over demo-window from start to Esc. The fuzz
# targets' corpus replays are tests of their own, in fuzz/CMakeLists.txt.
if(TARGET demo-render)
  set(KAPU_RELIABILITY_DIR ${CMAKE_CURRENT_LIST_DIR}/reliability)
  set(KAPU_BAD_DATA_WINDOW -)
  if(TARGET demo-window)
    set(KAPU_BAD_DATA_WINDOW $<TARGET_FILE:demo-window>)
  endif()
  foreach(file IN LISTS KAPU_DATA_FILES)
    string(MAKE_C_IDENTIFIER ${file} id)
    add_test(NAME bad_data_${id}
      COMMAND ${KAPU_RELIABILITY_DIR}/bad_data.sh ${file} $<TARGET_FILE:demo-render>
              ${KAPU_BAD_DATA_WINDOW} ${KAPU_DATA_DIR})
    set_tests_properties(bad_data_${id} PROPERTIES
      TIMEOUT 900 ENVIRONMENT "${KAPU_TEST_ENV}" LABELS "reliability")
  endforeach()

  # Resident sizes and valgrind mean nothing under AddressSanitizer: the ordinary build only.
  if(NOT KAPU_SANITIZE)
    add_test(NAME soak_memory_flat
      COMMAND ${KAPU_RELIABILITY_DIR}/soak.sh $<TARGET_FILE:demo-render> ${KAPU_DATA_DIR} 10)
    set_tests_properties(soak_memory_flat PROPERTIES TIMEOUT 600 LABELS "reliability")

    add_test(NAME memcheck_demo_render
      COMMAND ${KAPU_RELIABILITY_DIR}/memcheck_render.sh $<TARGET_FILE:demo-render>
              ${KAPU_DATA_DIR} ${KAPU_RELIABILITY_DIR}/valgrind.supp)
    set_tests_properties(memcheck_demo_render PROPERTIES
      TIMEOUT 1200 SKIP_RETURN_CODE 77 LABELS "memcheck")
    if(TARGET demo-window)
      add_test(NAME memcheck_demo_window
        COMMAND ${KAPU_RELIABILITY_DIR}/memcheck_window.sh $<TARGET_FILE:demo-window>
                ${KAPU_DATA_DIR} ${KAPU_RELIABILITY_DIR}/valgrind.supp)
      set_tests_properties(memcheck_demo_window PROPERTIES
        TIMEOUT 1200 SKIP_RETURN_CODE 77 LABELS "memcheck")
    endif()
  endif()
endif()
