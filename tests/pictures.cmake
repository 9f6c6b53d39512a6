# The committed pictures are exactly what the generator in tools/pictures draws.
if(TARGET make_pictures)
  string(REPLACE ";" "," names "${KAPU_PICTURE_FILES}")
  add_test(NAME PicturesRegenerateByteForByte
           COMMAND ${CMAKE_COMMAND}
                   -DGENERATOR=$<TARGET_FILE:make_pictures>
                   -DDATA_DIR=${KAPU_DATA_DIR}
                   -DNAMES=${names}
                   -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/pictures-regenerated
                   -P ${PROJECT_SOURCE_DIR}/tools/pictures/compare.cmake)
  set_tests_properties(PicturesRegenerateByteForByte PROPERTIES TIMEOUT 120)
endif()

# One part cycle composed from the shipped pictures: each figure of the pictures meets its goal
# (bars in sight and motion in part 1, bright letters of one hue family in part 2, a logotype
# that reaches up and stands out in part 3).
if(TARGET picture_measure)
  add_test(NAME picture_figures COMMAND ${PROJECT_SOURCE_DIR}/scripts/picture-measure.sh --check)
  set_tests_properties(picture_figures PROPERTIES
    TIMEOUT 120 ENVIRONMENT "PICTURE_MEASURE=$<TARGET_FILE:picture_measure>")
endif()
