# Authenticode signing for the release: with a code-signing certificate named
# in the environment (NPZQK_SIGN_PKCS12, a PKCS#12 file, and
# NPZQK_SIGN_PASSWORD), npzqk_sign signs each file it is given, SHA-256, and
# time-stamps it (RFC 3161) when NPZQK_TIMESTAMP_URL names a server. The
# password reaches osslsigncode in a file only this user can read, removed
# afterwards; nothing prints it. Without a certificate it signs nothing.
function(npzqk_sign)
  if("$ENV{NPZQK_SIGN_PKCS12}" STREQUAL "" OR NOT ARGN)
    return()
  endif()
  find_program(NPZQK_OSSLSIGNCODE osslsigncode)
  if(NOT NPZQK_OSSLSIGNCODE)
    message(FATAL_ERROR "osslsigncode was not found: run scripts/install-deps.sh as root.")
  endif()
  set(private "${CPACK_TOPLEVEL_DIRECTORY}/signing")
  file(REMOVE_RECURSE "${private}")
  file(MAKE_DIRECTORY "${private}")
  file(CHMOD "${private}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  file(TOUCH "${private}/password")
  file(CHMOD "${private}/password" FILE_PERMISSIONS OWNER_READ OWNER_WRITE)
  file(WRITE "${private}/password" "$ENV{NPZQK_SIGN_PASSWORD}")
  set(timestamp)
  if(NOT "$ENV{NPZQK_TIMESTAMP_URL}" STREQUAL "")
    set(timestamp -ts "$ENV{NPZQK_TIMESTAMP_URL}")
  endif()
  foreach(file IN LISTS ARGN)
    execute_process(
      COMMAND ${NPZQK_OSSLSIGNCODE} sign -pkcs12 "$ENV{NPZQK_SIGN_PKCS12}" -readpass "${private}/password"
              -h sha256 -n "NPZqk" -i "http://www.quendrix.com/" ${timestamp} -in "${file}" -out "${file}.signed"
      RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
    if(NOT status EQUAL 0)
      file(REMOVE_RECURSE "${private}")
      message(FATAL_ERROR "Signing ${file} failed: ${errors}")
    endif()
    file(RENAME "${file}.signed" "${file}")
  endforeach()
  file(REMOVE_RECURSE "${private}")
  list(LENGTH ARGN count)
  message(STATUS "Signed ${count} files with the certificate in $ENV{NPZQK_SIGN_PKCS12}")
endfunction()
