# The Debian package: scripts/package.sh builds and checks it (lintian, desktop-file-validate,
# appstreamcli, man), then dpkg installs it into a scratch root, both launchers run from there on
# a virtual display, and dpkg removes it again. Slow (a whole build), so the sanitizer build
# leaves it out; alone: ctest --test-dir build -L package -V
find_program(KAPU_DPKG_BUILDPACKAGE dpkg-buildpackage)
find_program(KAPU_LINTIAN lintian)
if(KAPU_PROGRAMS AND NOT KAPU_SANITIZE AND KAPU_DPKG_BUILDPACKAGE AND KAPU_LINTIAN
   AND KAPU_XVFB AND KAPU_XDOTOOL)
  add_test(NAME package.install_remove
    COMMAND ${CMAKE_COMMAND} -E env
      SOURCE=${PROJECT_SOURCE_DIR} OUT=${PROJECT_BINARY_DIR}/package-test
      RENDER=$<TARGET_FILE:demo-render>
      bash ${CMAKE_CURRENT_SOURCE_DIR}/package/install_remove.sh)
  set_tests_properties(package.install_remove PROPERTIES TIMEOUT 900 RUN_SERIAL TRUE LABELS package)
elseif(NOT KAPU_SANITIZE)
  message(STATUS "Package test skipped: it needs dpkg-buildpackage, lintian, Xvfb and xdotool")
endif()
