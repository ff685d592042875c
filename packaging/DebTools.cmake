# Run by CPack before it makes the Debian package: without dpkg-shlibdeps (dpkg-dev) and
# file, CPack would make a package whose Depends lack the C library, Qt, zlib and expat.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
foreach(tool dpkg-shlibdeps file)
  find_program(found_${tool} ${tool})
  if(NOT found_${tool})
    message(FATAL_ERROR "${tool} is missing, so the package's dependencies could not be found: "
                        "apt-get install dpkg-dev file (./dev package installs them).")
  endif()
endforeach()
