# The programs the tests run beside the build's own, each with the Debian package that has it.
# Looked for only when the tests are built, all at once, so a machine without them learns in one
# go what to install, or that -DZR415_TESTS=OFF builds the programs alone.
set(zr415_test_tools
  "GROFF groff groff-base"
  "CRAM cram3 python3-cram"
  "PYTHON3 python3 python3"
  "ANSIBLE_PLAYBOOK ansible-playbook ansible-core"
  "JQ jq jq")
if(NOT ZR415_SANITIZE) # the package test
  list(APPEND zr415_test_tools
    "FAKEROOT fakeroot fakeroot"
    "DESKTOP_FILE_VALIDATE desktop-file-validate desktop-file-utils"
    "DPKG_SHLIBDEPS dpkg-shlibdeps dpkg-dev"
    "FILE_COMMAND file file")
endif()

set(missing_programs)
set(missing_packages)
foreach(tool IN LISTS zr415_test_tools)
  separate_arguments(tool)
  list(GET tool 0 variable)
  list(GET tool 1 program)
  list(GET tool 2 package)
  find_program(${variable} ${program})
  if(NOT ${variable})
    list(APPEND missing_programs ${program})
    list(APPEND missing_packages ${package})
  endif()
endforeach()
# gpsd's own Python client reads zr415ctl's gpsd stream; it is a module of the system's Python.
if(PYTHON3)
  execute_process(COMMAND /usr/bin/python3 -c "import gps" RESULT_VARIABLE gps_module_missing
    OUTPUT_QUIET ERROR_QUIET)
  if(gps_module_missing)
    list(APPEND missing_programs "python3's gps module")
    list(APPEND missing_packages python3-gps)
  endif()
endif()
if(missing_programs)
  list(REMOVE_DUPLICATES missing_packages)
  list(JOIN missing_programs ", " missing_programs)
  list(JOIN missing_packages " " missing_packages)
  message(FATAL_ERROR
    "The tests need programs this machine does not have: ${missing_programs}.\n"
    "Install them (./test.sh does) with: sudo apt-get install ${missing_packages}\n"
    "or configure with -DZR415_TESTS=OFF to build the programs alone.")
endif()
