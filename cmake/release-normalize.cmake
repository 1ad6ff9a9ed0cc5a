# Run by cpack once the ZIP is made, before its checksum: the same files give
# the same ZIP, whenever and wherever it is built. Every entry gets the time
# of SOURCE_DATE_EPOCH (when the caller has not set it, the commit's time;
# outside a git checkout, a fixed one), and strip-nondeterminism settles the
# entries' order, attributes and extra fields.
include(${CMAKE_CURRENT_LIST_DIR}/release-epoch.cmake)
find_program(NPZQK_STRIP_NONDETERMINISM strip-nondeterminism)
if(NOT NPZQK_STRIP_NONDETERMINISM)
  message(FATAL_ERROR "strip-nondeterminism was not found: run scripts/install-deps.sh as root.")
endif()
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND ${NPZQK_STRIP_NONDETERMINISM} --type zip --timestamp ${epoch} "${package}"
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "strip-nondeterminism could not normalise ${package}")
  endif()
endforeach()

# The extension packed for Firefox and, when the build was given an
# organisation's key, for Chrome and Edge with its update manifest: already
# the same bytes for the same files.
foreach(packed IN LISTS CPACK_NPZQK_PACKED_EXTENSIONS)
  file(COPY "${packed}" DESTINATION "${CPACK_PACKAGE_DIRECTORY}")
endforeach()
