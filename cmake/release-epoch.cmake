# The release's one time, for every file date in it: SOURCE_DATE_EPOCH, or
# when the caller has not set it, the commit's time; outside a git checkout,
# a fixed one.
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(epoch STREQUAL "")
  execute_process(COMMAND git -C "${CPACK_NPZQK_SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status ERROR_QUIET)
  if(NOT status EQUAL 0 OR epoch STREQUAL "")
    set(epoch 1262304000)  # 2010-01-01
  endif()
endif()
