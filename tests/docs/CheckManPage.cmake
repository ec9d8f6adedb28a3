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
# `man -l` of the source and the shipped page both name the project's version in their header,
# and the build changes nothing else of it.
file(STRINGS ${PAGE} header LIMIT_COUNT 1)
file(STRINGS ${SHIPPED} shipped_header LIMIT_COUNT 1)
if(NOT header MATCHES "^\\.TH [^\"]*\"[^\"]*\" \"ZR415 ${VERSION}\"" OR
   NOT shipped_header STREQUAL header)
  message(FATAL_ERROR "${PAGE} and ${SHIPPED} must name version ${VERSION} alike:\n"
    "${header}\n${shipped_header}")
endif()
message(STATUS "${PAGE}: no word broken at 80 columns, version ${VERSION}")
