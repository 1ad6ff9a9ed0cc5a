// A DLL with no work of its own, built and linked as NPZqk.dll is: what
// loading any library of this build costs.
extern "C" __declspec(dllexport) int EmptyExport(void) { return 0; }
