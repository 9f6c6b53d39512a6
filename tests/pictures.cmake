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
