# One start-open-render-save run of the sketch command under valgrind's memcheck, twice: the
# sample PNG to a JPEG, then that JPEG to another. Any invalid read or write fails the test.
# Expects VALGRIND, SKETCH, PRELOAD (HighwayTimerUnderValgrind.c), INPUT and WORK_DIR.
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
foreach(step IN ITEMS "${INPUT};${WORK_DIR}/first.jpg" "${WORK_DIR}/first.jpg;${WORK_DIR}/second.jpg")
  list(GET step 0 from)
  list(GET step 1 to)
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -E env "LD_PRELOAD=${PRELOAD}" "${VALGRIND}" --error-exitcode=99 --errors-for-leak-kinds=none --track-origins=yes "${SKETCH}" "${from}" "${to}"
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "memcheck on ${from} -> ${to}: exit ${result}")
  endif()
endforeach()
