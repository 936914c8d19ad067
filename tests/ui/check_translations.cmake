# Runs lupdate over the window's code into a copy of the committed German
# file and fails if any of the window's words has no finished translation:
# a new tr() or core sentence nobody translated, or a changed English text.
# Arguments: LUPDATE, SOURCES (folder), INCLUDE (folder), TS (committed file), COPY.
configure_file(${TS} ${COPY} COPYONLY)
execute_process(
  COMMAND ${LUPDATE} -silent -no-obsolete -locations none -I ${INCLUDE} ${SOURCES} -ts ${COPY}
  RESULT_VARIABLE status
)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "lupdate failed (${status})")
endif()
file(READ ${COPY} ts)
string(REGEX MATCHALL "<source>[^<]*</source>[ \n]*<translation type=\"unfinished\"" missing "${ts}")
if(missing)
  string(REPLACE ";" "\n" missing "${missing}")
  message(FATAL_ERROR "untranslated in ${TS} (run the update_translations target, then "
                      "translate with Qt Linguist):\n${missing}")
endif()
