// NPP_NewStream and the stream callbacks: start the viewer with the
// document's URL and the page's UID, or tell the user it is missing; accept
// and discard the stream's data.
#include "stream.h"

#include "launcher_instance.h"
#include "platform.h"
#include "viewer_launch.h"

static const unsigned kMessageOkOnly = 0;  // MB_OK

void ShowViewerMissing(const char* caption) {
  PlatformMessageBox(kViewerMissingText, caption, kMessageOkOnly);
}

NPError NPP_NewStream(NPP instance, NPMIMEType, NPStream* stream, NPBool, uint16_t*) {
  const LauncherInstance* record = InstanceRecord(instance);
  if (record == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  if (stream == nullptr || stream->url == nullptr) return NPERR_NO_ERROR;
  // The arguments are composed before anything can let the browser in: it
  // may destroy the instance while the message box is up, so the record is
  // not read past this point.
  char arguments[kViewerArgumentsCapacity];
  const bool argumentsFit = ComposeViewerArguments(stream->url, record->uid, arguments, sizeof arguments);
  const char* failure = StartViewer(argumentsFit ? arguments : nullptr);
  if (failure != nullptr) ShowViewerMissing(failure);
  return NPERR_NO_ERROR;
}

int32_t NPP_WriteReady(NPP, NPStream*) { return kStreamBufferSize; }

int32_t NPP_Write(NPP, NPStream*, int32_t, int32_t len, void*) { return len; }

void NPP_StreamAsFile(NPP, NPStream*, const char*) {}
