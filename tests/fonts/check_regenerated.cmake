# Runs a generator into the build tree and compares its output byte for byte
# with the committed copy, so a generator and its output cannot drift apart.
# Arguments: PYTHON, GENERATOR, OUTPUT, COMMITTED, optional ARGS (a list).
execute_process(
  COMMAND ${PYTHON} ${GENERATOR} ${ARGS} --out ${OUTPUT}
  RESULT_VARIABLE status
)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${GENERATOR} failed (${status})")
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${COMMITTED}
  RESULT_VARIABLE differs
)
if(NOT differs EQUAL 0)
  message(FATAL_ERROR "${OUTPUT} differs from the committed ${COMMITTED}: "
                      "run the generator and commit its output")
endif()
