# Icon generator: the desktop icons, drawn from the demo's letter K (data/K.ppm) into PNG files.
# The programs' installation (packaging/packaging.cmake) runs it and installs what it writes.
find_package(ZLIB)
if(ZLIB_FOUND)
  add_executable(make_icons ${CMAKE_CURRENT_LIST_DIR}/icons/make_icons.cpp)
  target_link_libraries(make_icons PRIVATE kapu_core kapu_warnings ZLIB::ZLIB)
endif()
