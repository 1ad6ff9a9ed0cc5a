// The test host's groups, one a line: the host declares and runs them from
// this list, and tests/wine/CMakeLists.txt reads it to make a test of each.
WINE_TEST_GROUP(entry, RunEntryTests)
WINE_TEST_GROUP(launch, RunLaunchTests)
WINE_TEST_GROUP(window, RunWindowTests)
WINE_TEST_GROUP(resource, RunResourceTests)
WINE_TEST_GROUP(installer, RunInstallerTests)
WINE_TEST_GROUP(native_host, RunNativeHostTests)
WINE_TEST_GROUP(msi, RunMsiTests)
