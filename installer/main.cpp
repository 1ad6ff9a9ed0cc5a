// plugin-installer: takes no arguments and always ends with status 0; what
// happened is told on standard output.
#include "installer.h"

int main(void) {
  RunInstaller();
  return 0;
}
