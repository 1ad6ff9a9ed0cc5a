// NPP_NewStream and the stream callbacks: find the viewer in the registry and
// start it with the document's URL and the page's UID; accept and discard the
// stream's data.
#include "viewer_launch.h"

#include "command_line.h"
#include "launcher_instance.h"
#include "platform.h"
#include "text.h"

const char kViewerMissingText[] =
    "Unable to open TarvikViewer application.\n\n"
    "You need TarvikViewer (it's free!) to view the TarvikBook\n"
    "Get TarvikViewer from http://www.quendrix.com/downloads/";

static const char kPrimaryKey[] = "SOFTWARE\\Quendrix\\Shared";
static const char kPrimaryValue[] = "ActiveXViewer";
static const char kOpenCommandKey[] = "Quendrix_ZQK\\shell\\open\\command";
static const char kUidSwitch[] = " /UID=";
static const char kEmptyArgument[] = "\"\"";
static const char kShellVerb[] = "open";
static const char kViewerDirectory[] = "c:\\";
static const int kShowCommand = 5;         // SW_SHOW
static const unsigned kMessageOkOnly = 0;  // MB_OK

// The URL and the UID come from the browser and the page: each is quoted
// where a blank, tab or quote would otherwise split it or end it, so that the
// viewer always receives exactly two arguments, both unchanged. Ordinary text
// keeps the form the viewer has always had: URL /UID=UID.
bool ComposeViewerArguments(const char* url, const char* uid, char* arguments, uint32_t capacity) {
  const bool urlFits =
      url[0] == '\0' ? CopyText(arguments, capacity, kEmptyArgument)
                     : CopyText(arguments, capacity, "") && AppendCommandLineText(arguments, capacity, url);
  const bool fits = urlFits && AppendText(arguments, capacity, kUidSwitch) &&
                    AppendCommandLineText(arguments, capacity, uid);
  if (!fits && capacity > 0) arguments[0] = '\0';
  return fits;
}

bool ExtractQuotedPath(char* buffer) {
  const char* open = buffer;
  while (*open != '\0' && *open != '"') ++open;
  const char* close = (*open == '"') ? open + 1 : open;
  while (*close != '\0' && *close != '"') ++close;
  char quoted[kQuotedPathCapacity];
  quoted[0] = '\0';
  const bool extracted =
      *open == '"' && *close == '"' && static_cast<uint32_t>(close - open - 1) < sizeof quoted;
  if (extracted) {
    uint32_t length = 0;
    for (const char* c = open + 1; c != close; ++c) quoted[length++] = *c;
    quoted[length] = '\0';
  }
  // The quoted text is never longer than the command it came from.
  CopyText(buffer, TextLength(buffer) + 1, quoted);
  return extracted;
}

bool LaunchViewer(const char* path, const char* arguments) {
  return PlatformShellExecute(kShellVerb, path, arguments, kViewerDirectory, kShowCommand) > 32;
}

void ShowViewerMissing(const char* caption) {
  PlatformMessageBox(kViewerMissingText, caption, kMessageOkOnly);
}

// The viewer's path as the primary registry value in the given view gives it.
static bool ReadPrimaryViewerPathIn(RegistryRoot view, char* path) {
  RegistryKey key = nullptr;
  if (!PlatformOpenKey(view, kPrimaryKey, &key)) return false;
  uint32_t size = kViewerPathCapacity;
  const bool read = PlatformQueryValue(key, kPrimaryValue, path, kViewerPathCapacity, &size);
  PlatformCloseKey(key);
  return read && TerminateRegistryText(path, kViewerPathCapacity, size);
}

// A 64-bit plug-in reads its own view first, then the 32-bit view, where a
// viewer installed by a 32-bit installer has its value.
static bool ReadPrimaryViewerPath(char* path) {
  return ReadPrimaryViewerPathIn(kLocalMachine, path) ||
         (PlatformHasSeparate32BitView() && ReadPrimaryViewerPathIn(kLocalMachine32BitView, path));
}

// Starts the viewer named by the document type's open command. Returns null
// when it started, else the caption of the message that says why not.
static const char* LaunchFromOpenCommand(char* path, const char* arguments, bool argumentsFit) {
  RegistryKey key = nullptr;
  if (!PlatformOpenKey(kClassesRoot, kOpenCommandKey, &key)) return "Application Not Installed 1";
  uint32_t size = kOpenCommandCapacity;
  if (!PlatformQueryDefaultValue(key, path, kOpenCommandCapacity, &size) ||
      !TerminateRegistryText(path, kOpenCommandCapacity, size)) {
    PlatformCloseKey(key);
    return "Application Not Installed 2";
  }
  const bool extracted = ExtractQuotedPath(path);
  PlatformCloseKey(key);
  if (extracted && argumentsFit && LaunchViewer(path, arguments)) return nullptr;
  return "Application Not Installed 3";
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
  char path[kViewerPathCapacity];
  if (ReadPrimaryViewerPath(path) && argumentsFit && LaunchViewer(path, arguments)) {
    return NPERR_NO_ERROR;
  }
  const char* failure = LaunchFromOpenCommand(path, arguments, argumentsFit);
  if (failure != nullptr) ShowViewerMissing(failure);
  return NPERR_NO_ERROR;
}

int32_t NPP_WriteReady(NPP, NPStream*) { return kStreamBufferSize; }

int32_t NPP_Write(NPP, NPStream*, int32_t, int32_t len, void*) { return len; }

void NPP_StreamAsFile(NPP, NPStream*, const char*) {}
