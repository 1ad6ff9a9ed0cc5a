# Run by cpack once the ZIP is made, before its checksum: the same files give
# the same ZIP, whenever and wherever it is built. Every entry gets the time
# of SOURCE_DATE_EPOCH (when the caller has not set it, the commit's time;
# outside a git checkout, a fixed one), and strip-nondeterminism settles the
# entries' order, attributes and extra fields.
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(epoch STREQUAL "")
  execute_process(COMMAND git -C "${CPACK_NPZQK_SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status ERROR_QUIET)
  if(NOT status EQUAL 0 OR epoch STREQUAL "")
    set(epoch 1262304000)  # 2010-01-01
  endif()
endif()
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

# The extension packed for Firefox, already the same bytes for the same files.
if(CPACK_NPZQK_XPI)
  file(COPY "${CPACK_NPZQK_XPI}" DESTINATION "${CPACK_PACKAGE_DIRECTORY}")
endif()
