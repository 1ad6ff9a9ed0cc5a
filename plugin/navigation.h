// Where the browser is sent when a document's stream ends.
#ifndef NPZQK_NAVIGATION_H
#define NPZQK_NAVIGATION_H

#include <stdint.h>

struct NavigationRequest {
  const char* url;
  const char* target;
};

// The request for an instance of the given mode and flags, or null for none.
const NavigationRequest* ChooseNavigation(uint16_t mode, uint8_t closeAfterStream, uint8_t mayNavigate);

#endif
