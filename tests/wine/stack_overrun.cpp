// Built as the deliverables are, with stack protection: overruns a local
// buffer, which must end the process as a stack buffer overrun rather than
// return into the overwritten frame.
#include <string.h>

static volatile size_t gLength = 64;

__attribute__((noinline)) static int Overrun(void) {
  char buffer[16];
  memset(buffer, 'A', gLength);
  return buffer[3];
}

int main(void) { return Overrun() == 'A' ? 0 : 1; }
