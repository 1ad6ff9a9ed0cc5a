// NPP_DestroyStream: at the end of a document's stream, a full-page document
// sends the browser back and an embedded one closes the window when its page
// asked for it with winclose; under Opera neither is asked.
#include "navigation.h"

#include "browser_services.h"
#include "launcher_instance.h"

static const NavigationRequest kGoBack = {"javascript:history.back();", "_self"};
static const NavigationRequest kCloseWindow = {"javascript:window.close()", "_top"};

const NavigationRequest* ChooseNavigation(uint16_t mode, uint8_t closeAfterStream, uint8_t mayNavigate) {
  if (mayNavigate != 1) return nullptr;
  if (mode == NP_FULL) return &kGoBack;
  if (closeAfterStream == 1) return &kCloseWindow;
  return nullptr;
}

// The stream and the reason it ended make no difference, nor does whether
// the viewer started.
NPError NPP_DestroyStream(NPP instance, NPStream*, NPReason) {
  const LauncherInstance* record = InstanceRecord(instance);
  if (record == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  const NavigationRequest* request =
      ChooseNavigation(record->mode, record->closeAfterStream, record->mayNavigate);
  if (request != nullptr) NPN_GetURL(instance, request->url, request->target);
  return NPERR_NO_ERROR;
}
