cmake_minimum_required(VERSION 3.22)
# Runs the transcripts from a fresh copy in the build tree: cram writes a failed transcript's
# output beside it (NAME.t.err), and that belongs in the build, not in the sources.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(GLOB transcripts ${SOURCE}/*.t)
file(COPY ${transcripts} ${SOURCE}/lab.sh DESTINATION ${WORK})
file(GLOB copies ${WORK}/*.t)
# cram's clean environment (LANG=C, TZ=GMT) is kept: the output must not depend on the machine's.
execute_process(COMMAND ${CRAM} --shell=/bin/bash -v ${copies} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "transcripts differ (the .t.err files in ${WORK} hold what ran)")
endif()
