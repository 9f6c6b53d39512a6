# End-to-end tests: the real programs on a virtual display, driven by keys as a person would,
# checked by screenshots, output and exit status; and the installation with its launchers.
find_program(KAPU_XVFB Xvfb)
find_program(KAPU_XDOTOOL xdotool)
find_program(KAPU_IMPORT import)
find_package(X11)
if(KAPU_PROGRAMS AND KAPU_XVFB AND KAPU_XDOTOOL AND KAPU_IMPORT AND X11_FOUND)
  # Sends a window the close request a window manager sends for its close button or Alt-F4.
  add_executable(kapu_wm_close ${CMAKE_CURRENT_SOURCE_DIR}/e2e/wm_close.c)
  target_link_libraries(kapu_wm_close PRIVATE X11::X11)

  set(KAPU_E2E_ENV
    DEMO=$<TARGET_FILE:demo-window>
    DATA=${KAPU_DATA_DIR}
    WM_CLOSE=$<TARGET_FILE:kapu_wm_close>
    RENDER=$<TARGET_FILE:demo-render>
    BUILD=${PROJECT_BINARY_DIR})
  foreach(name parts scroll_speed close_window missing_picture missing_tune no_sound_device
               no_display install window_fits sole_client)
    add_test(NAME e2e.${name}
      COMMAND ${CMAKE_COMMAND} -E env ${KAPU_E2E_ENV} bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e/${name}.sh)
    # One at a time: each runs the demo in real time and measures what it shows. The time limit
    # only catches a hang: on a busy machine the frames come slowly.
    set_tests_properties(e2e.${name} PROPERTIES TIMEOUT 600 RUN_SERIAL TRUE LABELS e2e)
  endforeach()
else()
  message(STATUS "End-to-end tests skipped: they need Xvfb, xdotool, import and Xlib")
endif()
