# What an installation adds beside the programs, their launchers and data: demo-render in the
# programs' folder, a menu entry that starts the windowed demo (and the full screen as an
# action), its icons in the hicolor theme (drawn by tools/icons from the demo's own letter K),
# AppStream metainfo, the manual page kapu4417(6) with links for the other names it describes,
# and a short README for users.
set(KAPU_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
# The application's id, which names the menu entry and the metainfo. A placeholder: a release
# sets it to a reversed domain name that the project owns.
set(KAPU_APP_ID org.example.kapu4417)

# The folders where this installation puts things, as the manual page, the README and the menu
# entry name them.
foreach(dir BIN LIBEXEC DATA)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_PREFIX}")
    set(KAPU_MAN_${dir} ${CMAKE_INSTALL_PREFIX}/${KAPU_INSTALL_${dir}})
  else()
    set(KAPU_MAN_${dir} ${KAPU_INSTALL_${dir}})
  endif()
endforeach()

if(TARGET demo-render)
  install(TARGETS demo-render RUNTIME DESTINATION ${KAPU_INSTALL_LIBEXEC})
endif()

if(NOT TARGET make_icons)
  message(FATAL_ERROR "The icons need zlib's headers (Debian: zlib1g-dev; scripts/setup.sh installs it)")
endif()
list(GET KAPU_PICTURE_FILES 0 KAPU_ICON_LETTER)  # the letter K
set(KAPU_ICON_SIZES 16 32 48 64 128 256)
set(KAPU_ICON_FILES "")
foreach(size IN LISTS KAPU_ICON_SIZES)
  list(APPEND KAPU_ICON_FILES ${PROJECT_BINARY_DIR}/icons/kapu4417-${size}.png)
endforeach()
add_custom_command(OUTPUT ${KAPU_ICON_FILES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/icons
  COMMAND make_icons ${KAPU_DATA_DIR} ${PROJECT_BINARY_DIR}/icons
  DEPENDS make_icons ${KAPU_DATA_DIR}/${KAPU_ICON_LETTER}
  COMMENT "Drawing the icons")
add_custom_target(kapu_icons ALL DEPENDS ${KAPU_ICON_FILES})
foreach(size IN LISTS KAPU_ICON_SIZES)
  install(FILES ${PROJECT_BINARY_DIR}/icons/kapu4417-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME kapu4417.png)
endforeach()

configure_file(${KAPU_PACKAGING_DIR}/kapu4417.desktop.in
  ${PROJECT_BINARY_DIR}/packaging/${KAPU_APP_ID}.desktop @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/${KAPU_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The metainfo's <release> elements and the manual page's date come from debian/changelog,
# newest first, like the version.
set(KAPU_MONTHS Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
file(STRINGS ${PROJECT_SOURCE_DIR}/debian/changelog KAPU_CHANGELOG_LINES REGEX "^(kapu4417 \\(| -- )")
set(KAPU_RELEASES "")
set(KAPU_RELEASE_DATE "")
foreach(line IN LISTS KAPU_CHANGELOG_LINES)
  if(line MATCHES "^kapu4417 \\(([^)]+)\\)")
    set(version ${CMAKE_MATCH_1})
  elseif(line MATCHES ", ([0-9]+) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    list(FIND KAPU_MONTHS ${CMAKE_MATCH_2} month)
    math(EXPR month "${month} + 1" OUTPUT_FORMAT DECIMAL)
    string(LENGTH "${month}" digits)
    if(digits EQUAL 1)
      set(month 0${month})
    endif()
    set(day ${CMAKE_MATCH_1})
    string(LENGTH "${day}" digits)
    if(digits EQUAL 1)
      set(day 0${day})
    endif()
    set(date ${CMAKE_MATCH_3}-${month}-${day})
    if(NOT KAPU_RELEASE_DATE)
      set(KAPU_RELEASE_DATE ${date})
    endif()
    string(APPEND KAPU_RELEASES "    <release version=\"${version}\" date=\"${date}\"/>\n")
  endif()
endforeach()
# The homepage is written once, in debian/control. The metainfo names it, and the screenshots
# on it, only once a release has set a real one: AppStream takes screenshots in a metainfo only
# as web addresses, and a placeholder's would not be there.
file(STRINGS ${PROJECT_SOURCE_DIR}/debian/control KAPU_HOMEPAGE REGEX "^Homepage: ")
string(REGEX REPLACE "^Homepage: *" "" KAPU_HOMEPAGE "${KAPU_HOMEPAGE}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/debian/control)
set(KAPU_METAINFO_ADDRESSES "")
if(KAPU_HOMEPAGE AND NOT KAPU_HOMEPAGE MATCHES "[./]example\\.(org|com|net)(/|$)")
  string(APPEND KAPU_METAINFO_ADDRESSES
    "  <url type=\"homepage\">${KAPU_HOMEPAGE}</url>\n"
    "  <screenshots>\n"
    "    <screenshot type=\"default\">\n"
    "      <caption>Part 2: starfield, bouncing letters and the plasma-coloured scroller</caption>\n"
    "      <image>${KAPU_HOMEPAGE}/screenshots/part2.png</image>\n"
    "    </screenshot>\n"
    "    <screenshot>\n"
    "      <caption>Part 1: raster bars under the wobbling logotype</caption>\n"
    "      <image>${KAPU_HOMEPAGE}/screenshots/part1.png</image>\n"
    "    </screenshot>\n"
    "    <screenshot>\n"
    "      <caption>Part 3: full-screen plasma and the bouncing logotype</caption>\n"
    "      <image>${KAPU_HOMEPAGE}/screenshots/part3.png</image>\n"
    "    </screenshot>\n"
    "  </screenshots>\n")
endif()
configure_file(${KAPU_PACKAGING_DIR}/kapu4417.metainfo.xml.in
  ${PROJECT_BINARY_DIR}/packaging/${KAPU_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/${KAPU_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

configure_file(${KAPU_PACKAGING_DIR}/kapu4417.6.in ${PROJECT_BINARY_DIR}/packaging/man6/kapu4417.6 @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/man6/kapu4417.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
foreach(name kapu4417-window kapu4417-render)
  file(CREATE_LINK kapu4417.6 ${PROJECT_BINARY_DIR}/packaging/man6/${name}.6 SYMBOLIC)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/man6/${name}.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
endforeach()

configure_file(${KAPU_PACKAGING_DIR}/README.in ${PROJECT_BINARY_DIR}/packaging/README @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/README DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Everything the installation holds, to build before `cmake --install` without building the
# tests and tools: cmake --build build --target kapu4417
add_custom_target(kapu4417 DEPENDS demo demo-window kapu_icons)
if(TARGET demo-render)
  add_dependencies(kapu4417 demo-render)
endif()
