// Creating, destroying and printing an instance: the record and what the page
// and the browser's identity put into it.
#include "browser_services.h"
#include "launcher_instance.h"
#include "text.h"

LauncherInstance* InstanceRecord(NPP instance) {
  return instance != nullptr ? static_cast<LauncherInstance*>(instance->pdata) : nullptr;
}

// A browser is Opera when its user agent says so, with that very case.
static uint8_t MayNavigateUnder(const char* userAgent) { return ContainsText(userAgent, "Opera") ? 0 : 1; }

// One page attribute. A null name or value matches nothing. A UID longer than
// the buffer is kept cut at 1023 characters: it can then never fit the
// viewer's arguments, so a cut UID never reaches the viewer.
static void ReadAttribute(LauncherInstance* record, const char* name, const char* value) {
  if (name == nullptr || value == nullptr) return;
  if (EqualsIgnoringAsciiCase(name, "winclose") && EqualsIgnoringAsciiCase(value, "yes")) {
    record->closeAfterStream = 1;
  }
  if (EqualsIgnoringAsciiCase(name, "UID") && value[0] != '\0') {
    CopyText(record->uid, sizeof record->uid, value);
  }
}

static void ReadPageAttributes(LauncherInstance* record, int16_t argc, char* argn[], char* argv[]) {
  if (argn == nullptr || argv == nullptr) return;
  for (int16_t i = 0; i < argc; ++i) ReadAttribute(record, argn[i], argv[i]);
}

NPError NPP_New(NPMIMEType, NPP instance, uint16_t mode, int16_t argc, char* argn[], char* argv[],
                NPSavedData*) {
  if (instance == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  LauncherInstance* record = static_cast<LauncherInstance*>(NPN_MemAlloc(sizeof(LauncherInstance)));
  instance->pdata = record;
  if (record == nullptr) return NPERR_OUT_OF_MEMORY_ERROR;
  record->window = nullptr;
  record->mode = mode;
  record->hwnd = nullptr;
  record->prevWndProc = nullptr;
  record->closeAfterStream = 0;
  record->uid[0] = '\0';
  record->mayNavigate = MayNavigateUnder(NPN_UserAgent(instance));
  ReadPageAttributes(record, argc, argn, argv);
  return NPERR_NO_ERROR;
}

NPError NPP_Destroy(NPP instance, NPSavedData**) {
  LauncherInstance* record = InstanceRecord(instance);
  if (record == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  if (record->window != nullptr) DetachWindow(record);
  instance->pdata = nullptr;
  NPN_MemFree(record);
  return NPERR_NO_ERROR;
}

// The interface fixes the signature: the instance cannot be made const.
// cppcheck-suppress constParameter
void NPP_Print(NPP instance, NPPrint* platformPrint) {
  if (instance == nullptr || platformPrint == nullptr) return;
  if (platformPrint->mode == NP_FULL) platformPrint->print.fullPrint.pluginPrinted = false;
}
