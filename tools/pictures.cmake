# Picture generator: draws the demo's ten pictures into a folder (scripts/make-data.sh runs it
# into data/; a test runs it into a temporary folder and compares byte for byte).
add_executable(make_pictures
  ${CMAKE_CURRENT_LIST_DIR}/pictures/make_pictures.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pictures/glyphs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pictures/paint.cpp)
target_link_libraries(make_pictures PRIVATE kapu_core kapu_warnings)

# Composites the pictures over stand-ins of the backgrounds they are shown on, for review.
add_executable(picture_preview ${CMAKE_CURRENT_LIST_DIR}/pictures/preview.cpp)
target_link_libraries(picture_preview PRIVATE kapu_core kapu_warnings)

# Composes one part cycle from the pictures in the working folder and prints how they serve the
# three parts (scripts/picture-measure.sh; with --check, the test picture_figures).
add_executable(picture_measure ${CMAKE_CURRENT_LIST_DIR}/pictures/measure.cpp)
target_link_libraries(picture_measure PRIVATE kapu_core kapu_warnings)
