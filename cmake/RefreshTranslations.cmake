# Brings each .ts file up to date with the sources through lupdate, touching a file only when its
# text changes, so a build without new texts rebuilds nothing.
# Arguments: LUPDATE, WORK_DIR, SOURCE_DIRS and TS_FILES (each a |-separated list, relative to
# the working directory, the source tree).
string(REPLACE "|" ";" SOURCE_DIRS "${SOURCE_DIRS}")
string(REPLACE "|" ";" TS_FILES "${TS_FILES}")
file(MAKE_DIRECTORY "${WORK_DIR}")
foreach(ts IN LISTS TS_FILES)
  get_filename_component(name "${ts}" NAME)
  file(COPY_FILE "${ts}" "${WORK_DIR}/${name}")
  execute_process(
    COMMAND "${LUPDATE}" -silent -no-obsolete -locations none ${SOURCE_DIRS} -ts "${WORK_DIR}/${name}"
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "lupdate failed on ${ts}")
  endif()
  file(COPY_FILE "${WORK_DIR}/${name}" "${ts}" ONLY_IF_DIFFERENT)
endforeach()
