# Where the installation puts things, as folders under the prefix. By default the launchers go
# to bin/, the programs to libexec/kapu4417/ and the data to share/kapu4417/; with
# KAPU_GAMES_LAYOUT=ON to Debian's folders for games: games/, lib/games/kapu4417/ and
# share/games/kapu4417/. KAPU_INSTALL_BIN_DIR, KAPU_INSTALL_LIBEXEC_DIR and KAPU_INSTALL_DATA_DIR
# set one folder each; left empty, the layout's folder is used.
include(GNUInstallDirs)
option(KAPU_GAMES_LAYOUT "Install in Debian's folders for games (games/, lib/games/, share/games/)" OFF)
if(KAPU_GAMES_LAYOUT)
  set(KAPU_LAYOUT_BIN games)
  set(KAPU_LAYOUT_LIBEXEC lib/games/kapu4417)
  set(KAPU_LAYOUT_DATA share/games/kapu4417)
else()
  set(KAPU_LAYOUT_BIN ${CMAKE_INSTALL_BINDIR})
  set(KAPU_LAYOUT_LIBEXEC ${CMAKE_INSTALL_LIBEXECDIR}/kapu4417)
  set(KAPU_LAYOUT_DATA ${CMAKE_INSTALL_DATADIR}/kapu4417)
endif()
set(KAPU_INSTALL_BIN_DIR "" CACHE STRING "Folder of the launchers under the prefix (empty: the layout's)")
set(KAPU_INSTALL_LIBEXEC_DIR "" CACHE STRING "Folder of the programs under the prefix (empty: the layout's)")
set(KAPU_INSTALL_DATA_DIR "" CACHE STRING "Folder of the pictures and the tune under the prefix (empty: the layout's)")
foreach(dir BIN LIBEXEC DATA)
  if(KAPU_INSTALL_${dir}_DIR)
    set(KAPU_INSTALL_${dir} ${KAPU_INSTALL_${dir}_DIR})
  else()
    set(KAPU_INSTALL_${dir} ${KAPU_LAYOUT_${dir}})
  endif()
  # The launchers find the other folders from their own place, so the tree can move.
  if(IS_ABSOLUTE "${KAPU_INSTALL_${dir}}")
    message(FATAL_ERROR "KAPU_INSTALL_${dir}_DIR must be a folder under the prefix, not ${KAPU_INSTALL_${dir}}")
  endif()
endforeach()

# The programs find the installed data from their own folder, so the installation can move:
# util/data_folder.cpp learns the data folder's place relative to the programs' folder.
file(RELATIVE_PATH KAPU_DATA_FROM_PROGRAMS /prefix/${KAPU_INSTALL_LIBEXEC} /prefix/${KAPU_INSTALL_DATA})
add_library(kapu_data_folder STATIC ${PROJECT_SOURCE_DIR}/util/data_folder.cpp)
target_include_directories(kapu_data_folder PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_definitions(kapu_data_folder PRIVATE KAPU_DATA_FROM_PROGRAMS="${KAPU_DATA_FROM_PROGRAMS}")
target_link_libraries(kapu_data_folder PRIVATE kapu_warnings)
