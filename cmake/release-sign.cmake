# Run by cpack once the release's files are staged, before the ZIP and its
# checksum are made: with a code-signing certificate (cmake/signing.cmake),
# every DLL and program is signed.
include(${CMAKE_CURRENT_LIST_DIR}/signing.cmake)
file(GLOB_RECURSE programs "${CPACK_TEMPORARY_DIRECTORY}/*.dll" "${CPACK_TEMPORARY_DIRECTORY}/*.exe")
npzqk_sign(${programs})
