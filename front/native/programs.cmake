# The two programs over SDL 1.2 and libmikmod, their launchers and the data they read.
# `demo` opens the surface full screen, `demo-window` in a window; nothing else differs.
include(GNUInstallDirs)

# The window's scale reads the desktop's work area through Xlib where it is there; without it
# a panel's height is allowed for instead.
find_package(X11)
add_library(kapu_work_area INTERFACE)
if(X11_FOUND)
  target_compile_definitions(kapu_work_area INTERFACE KAPU_X11_WORK_AREA=1)
  target_link_libraries(kapu_work_area INTERFACE X11::X11)
else()
  target_compile_definitions(kapu_work_area INTERFACE KAPU_X11_WORK_AREA=0)
endif()

# The class of both programs' windows; the menu entry's StartupWMClass names it too.
set(KAPU_WINDOW_CLASS ${PROJECT_NAME})
# The native front end: everything of the programs but their entry point, built once; the
# platform tests link it too.
add_library(kapu_native STATIC
  ${CMAKE_CURRENT_LIST_DIR}/driver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/echo_output.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_scale.cpp)
target_link_libraries(kapu_native PRIVATE kapu_warnings kapu_work_area
  PUBLIC kapu_screen kapu_music kapu_core kapu_data_folder)
target_compile_definitions(kapu_native PRIVATE KAPU_WINDOW_CLASS="${KAPU_WINDOW_CLASS}")

foreach(program demo demo-window)
  add_executable(${program} ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
  target_link_libraries(${program} PRIVATE kapu_native kapu_warnings)
  # Place the programs at the top of the build folder, where scripts/run.sh looks for them.
  set_target_properties(${program} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
endforeach()
target_compile_definitions(demo PRIVATE KAPU_WINDOWED=0)
target_compile_definitions(demo-window PRIVATE KAPU_WINDOWED=1)

# Installed: the programs, the data, and a launcher for each program and for demo-render (whose
# target render.cmake makes, and packaging.cmake installs); packaging/layout.cmake chooses the
# folders (libexec/kapu4417, share/kapu4417 and bin by default). The programs find the data
# folder from their own place when the working folder does not hold the data.
install(TARGETS demo demo-window RUNTIME DESTINATION ${KAPU_INSTALL_LIBEXEC})
install(DIRECTORY ${KAPU_DATA_DIR}/ DESTINATION ${KAPU_INSTALL_DATA}
  FILES_MATCHING PATTERN "*.ppm" PATTERN "*.pbm" PATTERN "*.xm")
file(RELATIVE_PATH KAPU_LAUNCHER_TO_PROGRAMS /prefix/${KAPU_INSTALL_BIN} /prefix/${KAPU_INSTALL_LIBEXEC})
foreach(pair "kapu4417:demo" "kapu4417-window:demo-window" "kapu4417-render:demo-render")
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 KAPU_LAUNCHER_NAME)
  list(GET pair 1 KAPU_LAUNCHER_PROGRAM)
  configure_file(${PROJECT_SOURCE_DIR}/front/native/launcher.sh.in
    ${PROJECT_BINARY_DIR}/launchers/${KAPU_LAUNCHER_NAME} @ONLY)
  install(PROGRAMS ${PROJECT_BINARY_DIR}/launchers/${KAPU_LAUNCHER_NAME}
    DESTINATION ${KAPU_INSTALL_BIN})
endforeach()
