#include "wine_test.h"

#include <stdarg.h>
#include <stdio.h>

static int gChecks = 0;
static int gFailures = 0;

void OkAt(const char* file, int line, bool condition, const char* format, ...) {
  ++gChecks;
  if (condition) return;
  ++gFailures;
  printf("%s:%d: Test failed: ", file, line);
  va_list args;
  va_start(args, format);
  vprintf(format, args);
  va_end(args);
  printf("\n");
  fflush(stdout);
}

int CheckCount(void) { return gChecks; }
int FailureCount(void) { return gFailures; }
