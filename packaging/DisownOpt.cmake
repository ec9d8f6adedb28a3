# Run by cpack after it built the package. Debian systems make /opt themselves and no package
# owns it; a package that lists it lets dpkg remove /opt on purge when nothing else is in it.
# This takes that one entry out of the package's data archive and leaves every other byte.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  set(work ${deb}.parts)
  file(REMOVE_RECURSE ${work})
  file(MAKE_DIRECTORY ${work})
  execute_process(COMMAND ar t ${deb} OUTPUT_VARIABLE members COMMAND_ERROR_IS_FATAL ANY)
  string(REPLACE "\n" ";" members "${members}")
  list(FILTER members EXCLUDE REGEX "^$")
  execute_process(COMMAND ar x ${deb} WORKING_DIRECTORY ${work} COMMAND_ERROR_IS_FATAL ANY)
  set(data "")
  foreach(member IN LISTS members)
    if(member MATCHES "^data\\.tar\\.(gz|xz|zst)$")
      set(data ${member})
      set(compression ${CMAKE_MATCH_1})
    endif()
  endforeach()
  if(data STREQUAL "")
    message(FATAL_ERROR "no data archive in ${deb}: ${members}")
  endif()
  set(tools_gz gzip -9n)
  set(tools_xz xz)
  set(tools_zst zstd -q --rm)
  execute_process(COMMAND ${tools_${compression}} -d ${data} WORKING_DIRECTORY ${work}
                  COMMAND_ERROR_IS_FATAL ANY)
  # Rebuilt from its own list in its own order; GNU tar's --delete can shift the members after
  # the one it removes.
  file(MAKE_DIRECTORY ${work}/tree)
  execute_process(COMMAND tar -xpf data.tar -C tree WORKING_DIRECTORY ${work}
                  COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND tar -tf data.tar WORKING_DIRECTORY ${work} OUTPUT_VARIABLE entries
                  COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX REPLACE "(^|\n)\\./opt/\n" "\\1" entries "${entries}")
  file(WRITE ${work}/entries "${entries}")
  execute_process(COMMAND tar -cf data.tar --format=gnu --no-recursion --owner=root:0
                          --group=root:0 -C tree -T ${work}/entries
                  WORKING_DIRECTORY ${work} COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND ${tools_${compression}} data.tar WORKING_DIRECTORY ${work}
                  COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE ${deb})
  execute_process(COMMAND ar rcD ${deb} ${members} WORKING_DIRECTORY ${work}
                  COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${work})
endforeach()
