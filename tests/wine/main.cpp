// The browser-playing test host: "npzqk_host GROUP" runs one group of checks
// against the real NPZqk.dll beside it and exits non-zero if any failed.
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "wine_test.h"

#define WINE_TEST_GROUP(name, run) void run(void);
#include "groups.h"
#undef WINE_TEST_GROUP
int RunDemonstration(const char* pictureFolder);

// A fault in the plug-in (a released record used, a jump into nowhere) ends
// the run with a line that says so, rather than with a debugger.
static LONG WINAPI ReportFault(EXCEPTION_POINTERS* fault) {
  printf("npzqk_host: exception %08lx at %p\n", fault->ExceptionRecord->ExceptionCode,
         fault->ExceptionRecord->ExceptionAddress);
  ExitProcess(3);
}

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  SetUnhandledExceptionFilter(ReportFault);
  if (argc >= 2 && strcmp(argv[1], "demo") == 0) return RunDemonstration(argc >= 3 ? argv[2] : ".");
  const struct {
    const char* name;
    void (*run)(void);
  } groups[] = {
#define WINE_TEST_GROUP(name, run) {#name, run},
#include "groups.h"
#undef WINE_TEST_GROUP
  };
  for (const auto& group : groups) {
    if (argc < 2 || strcmp(argv[1], group.name) != 0) continue;
    group.run();
    printf("%s: %d checks, %d failed\n", group.name, CheckCount(), FailureCount());
    return FailureCount() == 0 && CheckCount() > 0 ? 0 : 1;
  }
  printf("usage: npzqk_host GROUP|demo [picture folder], where GROUP is one of:");
  for (const auto& group : groups) printf(" %s", group.name);
  printf("\n");
  return 2;
}
