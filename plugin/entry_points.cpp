// The library's three exports and the browser-service wrappers.
#include "browser_services.h"
#include "launcher_instance.h"

NPPluginFuncs* gPluginFuncs = nullptr;
NPNetscapeFuncs* gBrowserFuncs = nullptr;

NPError NP_EXPORT_CALL NP_GetEntryPoints(NPPluginFuncs* funcs) {
  if (funcs == nullptr) return NPERR_INVALID_FUNCTABLE_ERROR;
  // The browser's declared size is neither read nor written.
  funcs->version = kPluginInterfaceVersion;
  funcs->newp = NPP_New;
  funcs->destroy = NPP_Destroy;
  funcs->setwindow = NPP_SetWindow;
  funcs->newstream = NPP_NewStream;
  funcs->destroystream = NPP_DestroyStream;
  funcs->asfile = NPP_StreamAsFile;
  funcs->writeready = NPP_WriteReady;
  funcs->write = NPP_Write;
  funcs->print = NPP_Print;
  funcs->event = nullptr;
  gPluginFuncs = funcs;
  return NPERR_NO_ERROR;
}

NPError NP_EXPORT_CALL NP_Initialize(NPNetscapeFuncs* browser) {
  if (browser == nullptr) return NPERR_INVALID_FUNCTABLE_ERROR;
  gBrowserFuncs = browser;  // kept even when the version is refused
  const int major = browser->version >> 8;
  const int minor = browser->version & 0xFF;
  if (major > 0) return NPERR_INCOMPATIBLE_VERSION_ERROR;
  // Without an earlier NP_GetEntryPoints there is no table to complete.
  if (minor >= NPVERS_HAS_NOTIFICATION && gPluginFuncs != nullptr) {
    gPluginFuncs->urlnotify = NPP_URLNotify;
    gPluginFuncs->javaClass = nullptr;  // no Java class is offered
  }
  return NPP_Initialize();
}

NPError NP_EXPORT_CALL NP_Shutdown(void) {
  NPP_Shutdown();
  gBrowserFuncs = nullptr;
  return NPERR_NO_ERROR;
}

NPError NPP_Initialize(void) { return NPERR_NO_ERROR; }

void NPP_Shutdown(void) {}

void NPP_URLNotify(NPP, const char*, NPReason, void*) {}

void* NPN_MemAlloc(uint32_t size) {
  if (gBrowserFuncs == nullptr || gBrowserFuncs->memalloc == nullptr) return nullptr;
  return gBrowserFuncs->memalloc(size);
}

void NPN_MemFree(void* ptr) {
  if (gBrowserFuncs == nullptr || gBrowserFuncs->memfree == nullptr) return;
  gBrowserFuncs->memfree(ptr);
}

const char* NPN_UserAgent(NPP instance) {
  if (gBrowserFuncs == nullptr || gBrowserFuncs->uagent == nullptr) return nullptr;
  return gBrowserFuncs->uagent(instance);
}

NPError NPN_GetURL(NPP instance, const char* url, const char* target) {
  if (gBrowserFuncs == nullptr || gBrowserFuncs->geturl == nullptr) return NPERR_GENERIC_ERROR;
  return gBrowserFuncs->geturl(instance, url, target);
}
