// Finding the viewer in the registry and starting it with a document's URL
// and UID, for the plug-in and the native messaging host.
#include "viewer_launch.h"

#include "command_line.h"
#include "launch_platform.h"
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
static const int kShowCommand = 5;  // SW_SHOW

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

// The viewer's path as the primary registry value in the given view gives it.
static bool ReadPrimaryViewerPathIn(RegistryRoot view, char* path) {
  RegistryKey key = nullptr;
  if (!PlatformOpenKey(view, kPrimaryKey, &key)) return false;
  uint32_t size = kViewerPathCapacity;
  const bool read = PlatformQueryValue(key, kPrimaryValue, path, kViewerPathCapacity, &size);
  PlatformCloseKey(key);
  return read && TerminateRegistryText(path, kViewerPathCapacity, size);
}

// The program's own view first, then, on 64-bit Windows, the other one: a
// viewer's installer of the other kind wrote its value there.
static bool ReadPrimaryViewerPath(char* path) {
  return ReadPrimaryViewerPathIn(kLocalMachine, path) ||
         (PlatformHasOtherRegistryView() && ReadPrimaryViewerPathIn(kLocalMachineOtherView, path));
}

static const char kNoProgramNamed[] = "Application Not Installed 3";

// The program the document type's open command names, in path. Returns null
// when it names one, else the caption of the message that says why not.
static const char* ReadOpenCommandPath(char* path) {
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
  return extracted ? nullptr : kNoProgramNamed;
}

// Starts the viewer named by the document type's open command. Returns null
// when it started, else the caption of the message that says why not.
static const char* LaunchFromOpenCommand(char* path, const char* arguments) {
  const char* missing = ReadOpenCommandPath(path);
  if (missing != nullptr) return missing;
  return arguments != nullptr && LaunchViewer(path, arguments) ? nullptr : kNoProgramNamed;
}

const char* FindViewer(char* path) {
  return ReadPrimaryViewerPath(path) ? nullptr : ReadOpenCommandPath(path);
}

const char* StartViewer(const char* arguments) {
  char path[kViewerPathCapacity];
  if (ReadPrimaryViewerPath(path) && arguments != nullptr && LaunchViewer(path, arguments)) return nullptr;
  return LaunchFromOpenCommand(path, arguments);
}
