// Stands in for the viewer application: writes the command line and the
// working directory it was started with to the file that the environment
// variable NPZQK_VIEWER_RECORD names, then exits.
#include <stdio.h>
#include <windows.h>

int main(void) {
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
  fclose(file);
  return MoveFileExA(partial, recordPath, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
