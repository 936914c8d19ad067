# Rebuilds the stand-in font into the build tree and compares it byte for byte
# with the committed copy, so the generator and the font cannot drift apart.
# Arguments: PYTHON, GENERATOR, OUTPUT, COMMITTED.
execute_process(
  COMMAND ${PYTHON} ${GENERATOR} --out ${OUTPUT}
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
