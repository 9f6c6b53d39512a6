# The intro in a web browser (emscripten; configure with emcmake, as scripts/web.sh does): the same
# core, SCREEN and KEYBOARD over the browser's built-in SDL 1.2, the tune over libmikmod built for
# WebAssembly, the pictures and the tune bundled. Target kapu_web makes the servable page in
# site/; kapu_web_unit_tests (run under node) checks the parts of the web front end that need no
# browser.
set(KAPU_WEB_DIR ${CMAKE_CURRENT_LIST_DIR})
set(KAPU_WEB_SITE ${PROJECT_BINARY_DIR}/site)
set(KAPU_WEB_MIKMOD "" CACHE PATH
  "Folder with include/mikmod.h and lib/libmikmod.a built for WebAssembly (scripts/web.sh)")
option(KAPU_WEB_SIMD "Compile the core's SSE2 paths to WebAssembly SIMD" ON)
if(KAPU_PROGRAMS OR BUILD_TESTING)
  message(FATAL_ERROR "The web build takes -DKAPU_PROGRAMS=OFF -DBUILD_TESTING=OFF (scripts/web.sh)")
endif()
if(NOT EXISTS ${KAPU_WEB_MIKMOD}/lib/libmikmod.a)
  message(FATAL_ERROR "No libmikmod for WebAssembly in KAPU_WEB_MIKMOD (${KAPU_WEB_MIKMOD})")
endif()

# Third-party code through imported targets, so that its headers' warnings stay out: the
# browser's SDL (a JavaScript library linked by default, its headers in the sysroot) and libmikmod.
add_library(kapu_web_sdl INTERFACE IMPORTED)
set_target_properties(kapu_web_sdl PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${EMSCRIPTEN_SYSROOT}/include/SDL)
add_library(kapu_web_mikmod STATIC IMPORTED)
set_target_properties(kapu_web_mikmod PROPERTIES
  IMPORTED_LOCATION ${KAPU_WEB_MIKMOD}/lib/libmikmod.a
  INTERFACE_INCLUDE_DIRECTORIES ${KAPU_WEB_MIKMOD}/include
  INTERFACE_LINK_LIBRARIES kapu_web_sdl)
# What the platform layer (kapu_screen, kapu_music) links in this build.
add_library(kapu_sdl INTERFACE)
target_link_libraries(kapu_sdl INTERFACE kapu_web_sdl)
add_library(kapu_mikmod INTERFACE)
target_link_libraries(kapu_mikmod INTERFACE kapu_web_mikmod)

# Debian's emscripten runs its JavaScript optimiser under node, which finds the modules it needs
# (acorn) only through NODE_PATH: set for every link, so the build folder builds on its own.
set(KAPU_WEB_LINK_LAUNCHER "${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs")

# The golden frames match with these: the SSE2 intrinsics map to WebAssembly SIMD.
if(KAPU_WEB_SIMD)
  target_compile_options(kapu_core PRIVATE -msimd128 -msse2)
endif()
target_compile_options(kapu_core PRIVATE -mbulk-memory)

add_executable(kapu_web
  ${KAPU_WEB_DIR}/main.cpp
  ${KAPU_WEB_DIR}/pace.cpp
  ${PROJECT_SOURCE_DIR}/util/glibc_rand.cpp)
target_link_libraries(kapu_web PRIVATE kapu_screen kapu_music kapu_warnings)
# The warnings are errors in the web front end's own sources whatever KAPU_WERROR says: emscripten
# compiles with clang, whose -Wconversion also flags sign changes, and the shared sources are
# kept clean under the native compiler, where -Werror applies.
set_source_files_properties(${KAPU_WEB_DIR}/main.cpp ${KAPU_WEB_DIR}/pace.cpp
  ${PROJECT_SOURCE_DIR}/util/glibc_rand.cpp ${PROJECT_SOURCE_DIR}/tests/web/unit_test.cpp
  PROPERTIES COMPILE_OPTIONS -Werror)

# The data folder (the pictures and the tune, nothing else) at the root of the module's file
# system, its working folder, where the core and the music read the files by name.
file(GLOB KAPU_WEB_DATA CONFIGURE_DEPENDS ${KAPU_DATA_DIR}/*)
set(KAPU_WEB_PRELOAD)
foreach(file IN LISTS KAPU_WEB_DATA)
  get_filename_component(name ${file} NAME)
  list(APPEND KAPU_WEB_PRELOAD "SHELL:--preload-file ${file}@/${name}")
endforeach()

target_link_options(kapu_web PRIVATE
  -mbulk-memory
  -sENVIRONMENT=web
  -sALLOW_MEMORY_GROWTH=1
  -sEXPORTED_RUNTIME_METHODS=UTF8ToString
  "SHELL:--js-library ${KAPU_WEB_DIR}/page_link.js"
  ${KAPU_WEB_PRELOAD})
set_target_properties(kapu_web PROPERTIES
  RULE_LAUNCH_LINK "${KAPU_WEB_LINK_LAUNCHER}"
  OUTPUT_NAME kapu
  SUFFIX .js
  RUNTIME_OUTPUT_DIRECTORY ${KAPU_WEB_SITE}
  LINK_DEPENDS "${KAPU_WEB_DIR}/page_link.js;${KAPU_WEB_DATA}")

# The page around the module: relative addresses only, so any static server, or a subfolder of
# one, serves site/ as it is.
foreach(pair "shell.html:index.html" "page.js:page.js" "style.css:style.css")
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 from)
  list(GET pair 1 to)
  configure_file(${KAPU_WEB_DIR}/${from} ${KAPU_WEB_SITE}/${to} COPYONLY)
endforeach()

# Checks under node: the generator behind rand(), the pacing over simulated displays.
add_executable(kapu_web_unit_tests
  ${PROJECT_SOURCE_DIR}/tests/web/unit_test.cpp
  ${KAPU_WEB_DIR}/pace.cpp
  ${PROJECT_SOURCE_DIR}/util/glibc_rand.cpp)
target_include_directories(kapu_web_unit_tests PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(kapu_web_unit_tests PRIVATE kapu_core kapu_warnings)
target_link_options(kapu_web_unit_tests PRIVATE -sENVIRONMENT=node -sWASM_ASYNC_COMPILATION=0)
set_target_properties(kapu_web_unit_tests PROPERTIES SUFFIX .js RULE_LAUNCH_LINK "${KAPU_WEB_LINK_LAUNCHER}")
