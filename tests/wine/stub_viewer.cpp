// Stands in for the viewer application: writes the command line, the working
// directory and the arguments as its C runtime split them, each followed by a
// NUL, to the file that the environment variable NPZQK_VIEWER_RECORD names,
// then exits.
#include <stdio.h>
#include <windows.h>

int main(int argc, char** argv) {
  char recordPath[MAX_PATH];
  if (GetEnvironmentVariableA("NPZQK_VIEWER_RECORD", recordPath, sizeof recordPath) == 0) return 1;
  char directory[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof directory, directory);
  const char* commandLine = GetCommandLineA();
  // Written beside the record first, then moved into place whole.
  char partial[MAX_PATH + 8];
  snprintf(partial, sizeof partial, "%s.part", recordPath);
  FILE* file = fopen(partial, "wb");
  if (file == nullptr) return 1;
  fwrite(commandLine, 1, lstrlenA(commandLine) + 1, file);
  fwrite(directory, 1, lstrlenA(directory) + 1, file);
  for (int i = 1; i < argc; ++i) fwrite(argv[i], 1, lstrlenA(argv[i]) + 1, file);
  fclose(file);
  return MoveFileExA(partial, recordPath, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
