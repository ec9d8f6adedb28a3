cmake_minimum_required(VERSION 3.22)
# Fails when PAGE, rendered at 80 columns as man shows it, breaks a word with a hyphen: options
# and JSON keys copied from it would be wrong.
execute_process(COMMAND ${GROFF} -man -Tutf8 -rLL=80n -ww ${PAGE}
  OUTPUT_VARIABLE shown ERROR_VARIABLE warnings RESULT_VARIABLE failed)
if(failed OR shown STREQUAL "")
  message(FATAL_ERROR "${GROFF} could not render ${PAGE}: ${warnings}")
endif()
string(REGEX MATCHALL "[^\n]*‐\n[^\n]*" broken "${shown}")
if(broken)
  list(JOIN broken "\n---\n" listed)
  message(FATAL_ERROR "${PAGE} hyphenates at 80 columns:\n${listed}")
endif()
message(STATUS "${PAGE}: no word broken at 80 columns")
