// The tables exchanged with the browser and the browser services the
// plug-in calls.
#ifndef NPZQK_BROWSER_SERVICES_H
#define NPZQK_BROWSER_SERVICES_H

#include "npapi.h"

// The plug-in's interface version, 0.11: major in the high byte.
const uint16_t kPluginInterfaceVersion = 11;

extern NPPluginFuncs* gPluginFuncs;     // filled by NP_GetEntryPoints
extern NPNetscapeFuncs* gBrowserFuncs;  // saved by NP_Initialize, cleared by NP_Shutdown

extern "C" {
NPError NP_EXPORT_CALL NP_GetEntryPoints(NPPluginFuncs* funcs);
NPError NP_EXPORT_CALL NP_Initialize(NPNetscapeFuncs* browser);
NPError NP_EXPORT_CALL NP_Shutdown(void);
}

// Each wrapper calls the browser's slot with its arguments unchanged. A
// browser table that is missing, or lacks the slot, gives null or an error
// instead of a crash.
void* NPN_MemAlloc(uint32_t size);
void NPN_MemFree(void* ptr);
const char* NPN_UserAgent(NPP instance);
NPError NPN_GetURL(NPP instance, const char* url, const char* target);

#endif
