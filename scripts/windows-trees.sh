# Sourced by the scripts that build and run the Windows files: the one place
# that orders the two Windows build trees, and that asks whether this machine
# runs 32-bit programs.
#
# The trees use each other's files, never at the same step: the 64-bit
# tree's test packages take the 32-bit tree's plug-in, texts and extension,
# and the release, packaged from the 32-bit tree, takes the 64-bit tree's
# plug-in and host. So the 32-bit tree is built first, the 64-bit one second,
# and the release is packaged (cpack) only after both.

# The trees, in their order; the name of each is its CMake and CTest preset.
windows_trees=(windows windows-x64)

# configure_windows_trees [CONFIGURE ARGUMENTS...]: both trees configured
# with the arguments given (which needs nothing of the other built), their
# Wine environments written.
configure_windows_trees() {
  local preset
  for preset in "${windows_trees[@]}"; do
    cmake --preset "$preset" "$@" >/dev/null
  done
}

# compile_windows_trees: both trees, configured, built in their order; the
# build's own output on standard output.
compile_windows_trees() {
  local preset
  for preset in "${windows_trees[@]}"; do
    cmake --build --preset "$preset"
  done
}

# build_windows_trees [CONFIGURE ARGUMENTS...]: both trees, configured with
# the arguments given, then built.
build_windows_trees() {
  configure_windows_trees "$@" && compile_windows_trees
}

# probe_32bit: whether this machine runs 32-bit programs, as the Wine tests'
# fixture finds out (cmake/wine-fixture.sh probe, in the 32-bit tree's Wine
# environment): sets NPZQK_RUNS_32BIT to yes or no, and NPZQK_32BIT_WHY.
# NPZQK_NO_32BIT=1 in the environment answers no.
probe_32bit() {
  local answer
  answer=$(source build/windows/wine/environment.sh && bash cmake/wine-fixture.sh probe) || return 1
  NPZQK_RUNS_32BIT=$(sed -n 1p <<<"$answer")
  NPZQK_32BIT_WHY=$(sed -n 2p <<<"$answer")
}
