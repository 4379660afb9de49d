# ctest -P script: the committed .ts must be complete and current. lupdate runs over the sources
# into a copy; a text added since comes out unfinished, a text gone comes out vanished, and any
# change at all means the committed file is stale.
# Inputs: LUPDATE, TS (the committed file), SOURCES (lupdate's list file), WORK (a scratch folder).
file(MAKE_DIRECTORY ${WORK})
set(copy ${WORK}/check.ts)
file(COPY_FILE ${TS} ${copy})
execute_process(COMMAND ${LUPDATE} -locations none -no-ui-lines @${SOURCES} -ts ${copy}
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "lupdate failed (${status}):\n${output}")
endif()
file(READ ${copy} updated)
string(REGEX MATCHALL "<source>[^<]*</source>[ \n]*<translation type=\"[a-z]+\"" flagged
  "${updated}")
string(REGEX MATCHALL "<translation></translation>|<translation/>" empty "${updated}")
if(flagged OR empty)
  string(REPLACE ";" "\n" flagged "${flagged}")
  message(FATAL_ERROR "messages without a finished translation:\n${flagged}\n${empty}")
endif()
file(READ ${TS} committed)
if(NOT updated STREQUAL committed)
  message(FATAL_ERROR "${TS} is stale: build the target update_translations and commit it")
endif()
message(STATUS "every message of ${TS} is translated and current")
