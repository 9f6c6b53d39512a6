# The two programs over SDL 1.2 and libmikmod, their launchers and the data they read.
# `demo` opens the surface full screen, `demo-window` in a window; nothing else differs.
include(GNUInstallDirs)

# Everything of the programs but their entry point; the platform tests build it too.
set(KAPU_DRIVER_SOURCES
  ${PROJECT_SOURCE_DIR}/front/native/driver.cpp
  ${PROJECT_SOURCE_DIR}/front/native/window_scale.cpp
  ${PROJECT_SOURCE_DIR}/music/music.cpp
  ${PROJECT_SOURCE_DIR}/front/native/pacer.cpp
  ${PROJECT_SOURCE_DIR}/screen/screen.cpp
  ${PROJECT_SOURCE_DIR}/screen/keyboard.cpp)
set(KAPU_PROGRAM_SOURCES ${PROJECT_SOURCE_DIR}/front/native/main.cpp ${KAPU_DRIVER_SOURCES})

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
foreach(program demo demo-window)
  add_executable(${program} ${KAPU_PROGRAM_SOURCES})
  target_link_libraries(${program} PRIVATE kapu_core kapu_tune_check kapu_warnings kapu_work_area
    kapu_data_folder PkgConfig::SDL PkgConfig::MIKMOD)
  target_compile_definitions(${program} PRIVATE KAPU_WINDOW_CLASS="${KAPU_WINDOW_CLASS}")
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
