# Runs the picture generator into a fresh folder and compares every file it writes, byte for
# byte, with the committed data folder. Called as: cmake -DGENERATOR=... -DDATA_DIR=...
# -DWORK_DIR=... -P compare.cmake
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
execute_process(COMMAND "${GENERATOR}" "${WORK_DIR}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the picture generator failed: ${status}")
endif()
set(names K.ppm A.ppm P.ppm U.ppm 7163.ppm vemla.ppm logotype0.ppm logotype1.ppm logotype2.ppm
    font1526.pbm)
file(GLOB written RELATIVE "${WORK_DIR}" "${WORK_DIR}/*")
list(SORT written)
set(expected ${names})
list(SORT expected)
if(NOT written STREQUAL expected)
  message(FATAL_ERROR "the generator wrote [${written}], expected [${expected}]")
endif()
set(stale "")
foreach(name IN LISTS names)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${WORK_DIR}/${name}" "${DATA_DIR}/${name}"
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    list(APPEND stale "${name}")
  endif()
endforeach()
if(stale)
  message(FATAL_ERROR "data/ differs from the generator's output in: ${stale}\n"
                      "run scripts/make-data.sh and commit data/")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
