// The browser plug-in interface as the browser defines it on Windows: the
// types, constants and operation tables of interface version 0.11, declared
// here with their published layouts for 32-bit x86 and for x86-64.
#ifndef NPZQK_NPAPI_H
#define NPZQK_NPAPI_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#include <windows.h>
// The three exports use the Windows API calling convention; the operations
// in the tables use the compiler's default one.
#define NP_EXPORT_CALL WINAPI
#else
#define NP_EXPORT_CALL
#endif

typedef int16_t NPError;
typedef int16_t NPReason;
typedef unsigned char NPBool;
typedef char* NPMIMEType;

enum {
  NPERR_NO_ERROR = 0,
  NPERR_GENERIC_ERROR = 1,
  NPERR_INVALID_INSTANCE_ERROR = 2,
  NPERR_INVALID_FUNCTABLE_ERROR = 3,
  NPERR_MODULE_LOAD_FAILED_ERROR = 4,
  NPERR_OUT_OF_MEMORY_ERROR = 5,
  NPERR_INVALID_PLUGIN_ERROR = 6,
  NPERR_INVALID_PLUGIN_DIR_ERROR = 7,
  NPERR_INCOMPATIBLE_VERSION_ERROR = 8
};

enum { NP_EMBED = 1, NP_FULL = 2 };
enum { NP_NORMAL = 1, NP_SEEK = 2, NP_ASFILE = 3, NP_ASFILEONLY = 4 };
enum { NPRES_DONE = 0, NPRES_NETWORK_ERR = 1, NPRES_USER_BREAK = 2 };

// Interface levels at which the browser table gains notification and the
// Java class slot.
enum { NPVERS_HAS_NOTIFICATION = 9, NPVERS_HAS_LIVECONNECT = 9 };

struct NPP_t {
  void* pdata;  // the plug-in's record
  void* ndata;  // the browser's
};
typedef NPP_t* NPP;

struct NPRect {
  uint16_t top;
  uint16_t left;
  uint16_t bottom;
  uint16_t right;
};

enum NPWindowType { NPWindowTypeWindow = 1, NPWindowTypeDrawable = 2 };

struct NPWindow {
  void* window;  // the native window handle
  int32_t x;
  int32_t y;
  uint32_t width;
  uint32_t height;
  NPRect clipRect;
  NPWindowType type;
};

struct NPStream {
  void* pdata;
  void* ndata;
  const char* url;
  uint32_t end;
  uint32_t lastmodified;
  void* notifyData;
};

struct NPByteRange {
  int32_t offset;
  uint32_t length;
  NPByteRange* next;
};

struct NPSavedData {
  int32_t len;
  void* buf;
};

struct NPFullPrint {
  NPBool pluginPrinted;  // false: the browser prints the page itself
  NPBool printOne;
  void* platformPrint;
};

struct NPEmbedPrint {
  NPWindow window;
  void* platformPrint;
};

struct NPPrint {
  uint16_t mode;
  union {
    NPFullPrint fullPrint;
    NPEmbedPrint embedPrint;
  } print;
};

// Operations the plug-in offers the browser.
typedef NPError (*NPP_NewProcPtr)(NPMIMEType pluginType, NPP instance, uint16_t mode, int16_t argc,
                                  char* argn[], char* argv[], NPSavedData* saved);
typedef NPError (*NPP_DestroyProcPtr)(NPP instance, NPSavedData** save);
typedef NPError (*NPP_SetWindowProcPtr)(NPP instance, NPWindow* window);
typedef NPError (*NPP_NewStreamProcPtr)(NPP instance, NPMIMEType type, NPStream* stream, NPBool seekable,
                                        uint16_t* stype);
typedef NPError (*NPP_DestroyStreamProcPtr)(NPP instance, NPStream* stream, NPReason reason);
typedef void (*NPP_StreamAsFileProcPtr)(NPP instance, NPStream* stream, const char* fname);
typedef int32_t (*NPP_WriteReadyProcPtr)(NPP instance, NPStream* stream);
typedef int32_t (*NPP_WriteProcPtr)(NPP instance, NPStream* stream, int32_t offset, int32_t len,
                                    void* buffer);
typedef void (*NPP_PrintProcPtr)(NPP instance, NPPrint* platformPrint);
typedef int16_t (*NPP_HandleEventProcPtr)(NPP instance, void* event);
typedef void (*NPP_URLNotifyProcPtr)(NPP instance, const char* url, NPReason reason, void* notifyData);
typedef NPError (*NPP_GetValueProcPtr)(NPP instance, int variable, void* value);
typedef NPError (*NPP_SetValueProcPtr)(NPP instance, int variable, void* value);

struct NPPluginFuncs {
  uint16_t size;
  uint16_t version;
  NPP_NewProcPtr newp;
  NPP_DestroyProcPtr destroy;
  NPP_SetWindowProcPtr setwindow;
  NPP_NewStreamProcPtr newstream;
  NPP_DestroyStreamProcPtr destroystream;
  NPP_StreamAsFileProcPtr asfile;
  NPP_WriteReadyProcPtr writeready;
  NPP_WriteProcPtr write;
  NPP_PrintProcPtr print;
  NPP_HandleEventProcPtr event;
  NPP_URLNotifyProcPtr urlnotify;
  void* javaClass;
  NPP_GetValueProcPtr getvalue;
  NPP_SetValueProcPtr setvalue;
};

// Services the browser offers the plug-in.
typedef NPError (*NPN_GetURLProcPtr)(NPP instance, const char* url, const char* window);
typedef NPError (*NPN_PostURLProcPtr)(NPP instance, const char* url, const char* window, uint32_t len,
                                      const char* buf, NPBool file);
typedef NPError (*NPN_RequestReadProcPtr)(NPStream* stream, NPByteRange* rangeList);
typedef NPError (*NPN_NewStreamProcPtr)(NPP instance, NPMIMEType type, const char* window, NPStream** stream);
typedef int32_t (*NPN_WriteProcPtr)(NPP instance, NPStream* stream, int32_t len, void* buffer);
typedef NPError (*NPN_DestroyStreamProcPtr)(NPP instance, NPStream* stream, NPReason reason);
typedef void (*NPN_StatusProcPtr)(NPP instance, const char* message);
typedef const char* (*NPN_UserAgentProcPtr)(NPP instance);
typedef void* (*NPN_MemAllocProcPtr)(uint32_t size);
typedef void (*NPN_MemFreeProcPtr)(void* ptr);
typedef uint32_t (*NPN_MemFlushProcPtr)(uint32_t size);
typedef void (*NPN_ReloadPluginsProcPtr)(NPBool reloadPages);
typedef void* (*NPN_GetJavaEnvProcPtr)(void);
typedef void* (*NPN_GetJavaPeerProcPtr)(NPP instance);
typedef NPError (*NPN_GetURLNotifyProcPtr)(NPP instance, const char* url, const char* window,
                                           void* notifyData);
typedef NPError (*NPN_PostURLNotifyProcPtr)(NPP instance, const char* url, const char* window, uint32_t len,
                                            const char* buf, NPBool file, void* notifyData);
typedef NPError (*NPN_GetValueProcPtr)(NPP instance, int variable, void* value);
typedef NPError (*NPN_SetValueProcPtr)(NPP instance, int variable, void* value);
typedef void (*NPN_InvalidateRectProcPtr)(NPP instance, NPRect* rect);
typedef void (*NPN_InvalidateRegionProcPtr)(NPP instance, void* region);
typedef void (*NPN_ForceRedrawProcPtr)(NPP instance);

struct NPNetscapeFuncs {
  uint16_t size;
  uint16_t version;  // major in the high byte, minor in the low byte
  NPN_GetURLProcPtr geturl;
  NPN_PostURLProcPtr posturl;
  NPN_RequestReadProcPtr requestread;
  NPN_NewStreamProcPtr newstream;
  NPN_WriteProcPtr write;
  NPN_DestroyStreamProcPtr destroystream;
  NPN_StatusProcPtr status;
  NPN_UserAgentProcPtr uagent;
  NPN_MemAllocProcPtr memalloc;
  NPN_MemFreeProcPtr memfree;
  NPN_MemFlushProcPtr memflush;
  NPN_ReloadPluginsProcPtr reloadplugins;
  NPN_GetJavaEnvProcPtr getJavaEnv;
  NPN_GetJavaPeerProcPtr getJavaPeer;
  NPN_GetURLNotifyProcPtr geturlnotify;
  NPN_PostURLNotifyProcPtr posturlnotify;
  NPN_GetValueProcPtr getvalue;
  NPN_SetValueProcPtr setvalue;
  NPN_InvalidateRectProcPtr invalidaterect;
  NPN_InvalidateRegionProcPtr invalidateregion;
  NPN_ForceRedrawProcPtr forceredraw;
};

#if defined(__i386__) || defined(_M_IX86)
// The browser hands these records across the library boundary: their 32-bit
// x86 layout is fixed.
static_assert(sizeof(NPP_t) == 8, "NPP_t size");
static_assert(sizeof(NPRect) == 8, "NPRect size");
static_assert(sizeof(NPWindow) == 32, "NPWindow size");
static_assert(offsetof(NPWindow, clipRect) == 20 && offsetof(NPWindow, type) == 28, "NPWindow");
static_assert(sizeof(NPStream) == 24 && offsetof(NPStream, url) == 8, "NPStream layout");
static_assert(sizeof(NPSavedData) == 8, "NPSavedData size");
static_assert(offsetof(NPPrint, print) == 4, "NPPrint union offset");
static_assert(offsetof(NPPrint, print.fullPrint.pluginPrinted) == 4, "pluginPrinted offset");
static_assert(offsetof(NPPrint, print.fullPrint.platformPrint) == 8, "fullPrint layout");
static_assert(offsetof(NPPrint, print.embedPrint.platformPrint) == 36, "embedPrint layout");
static_assert(sizeof(NPPrint) == 40, "NPPrint size");
static_assert(offsetof(NPPluginFuncs, version) == 2 && offsetof(NPPluginFuncs, newp) == 4,
              "NPPluginFuncs header");
static_assert(offsetof(NPPluginFuncs, print) == 36 && offsetof(NPPluginFuncs, event) == 40,
              "NPPluginFuncs print, event");
static_assert(offsetof(NPPluginFuncs, urlnotify) == 44 && offsetof(NPPluginFuncs, javaClass) == 48,
              "NPPluginFuncs urlnotify, javaClass");
static_assert(sizeof(NPPluginFuncs) == 60, "NPPluginFuncs size");
static_assert(offsetof(NPNetscapeFuncs, geturl) == 4, "NPNetscapeFuncs geturl");
static_assert(offsetof(NPNetscapeFuncs, uagent) == 32, "NPNetscapeFuncs uagent");
static_assert(offsetof(NPNetscapeFuncs, memalloc) == 36 && offsetof(NPNetscapeFuncs, memfree) == 40,
              "NPNetscapeFuncs memalloc, memfree");
static_assert(offsetof(NPNetscapeFuncs, geturlnotify) == 60, "NPNetscapeFuncs geturlnotify");
static_assert(sizeof(NPNetscapeFuncs) == 88, "NPNetscapeFuncs size");
#elif defined(__x86_64__) || defined(_M_X64)
// The same records in the 64-bit layout: 8-byte pointers, each aligned on 8.
static_assert(sizeof(NPP_t) == 16, "NPP_t size");
static_assert(sizeof(NPRect) == 8, "NPRect size");
static_assert(sizeof(NPWindow) == 40, "NPWindow size");
static_assert(offsetof(NPWindow, x) == 8 && offsetof(NPWindow, clipRect) == 24 &&
                  offsetof(NPWindow, type) == 32,
              "NPWindow");
static_assert(sizeof(NPStream) == 40 && offsetof(NPStream, url) == 16 && offsetof(NPStream, end) == 24,
              "NPStream layout");
static_assert(sizeof(NPSavedData) == 16 && offsetof(NPSavedData, buf) == 8, "NPSavedData layout");
static_assert(offsetof(NPPrint, print) == 8, "NPPrint union offset");
static_assert(offsetof(NPPrint, print.fullPrint.pluginPrinted) == 8, "pluginPrinted offset");
static_assert(offsetof(NPPrint, print.fullPrint.platformPrint) == 16, "fullPrint layout");
static_assert(offsetof(NPPrint, print.embedPrint.platformPrint) == 48, "embedPrint layout");
static_assert(sizeof(NPPrint) == 56, "NPPrint size");
static_assert(offsetof(NPPluginFuncs, version) == 2 && offsetof(NPPluginFuncs, newp) == 8,
              "NPPluginFuncs header");
static_assert(offsetof(NPPluginFuncs, print) == 72 && offsetof(NPPluginFuncs, event) == 80,
              "NPPluginFuncs print, event");
static_assert(offsetof(NPPluginFuncs, urlnotify) == 88 && offsetof(NPPluginFuncs, javaClass) == 96,
              "NPPluginFuncs urlnotify, javaClass");
static_assert(sizeof(NPPluginFuncs) == 120, "NPPluginFuncs size");
static_assert(offsetof(NPNetscapeFuncs, geturl) == 8, "NPNetscapeFuncs geturl");
static_assert(offsetof(NPNetscapeFuncs, uagent) == 64, "NPNetscapeFuncs uagent");
static_assert(offsetof(NPNetscapeFuncs, memalloc) == 72 && offsetof(NPNetscapeFuncs, memfree) == 80,
              "NPNetscapeFuncs memalloc, memfree");
static_assert(offsetof(NPNetscapeFuncs, geturlnotify) == 120, "NPNetscapeFuncs geturlnotify");
static_assert(sizeof(NPNetscapeFuncs) == 176, "NPNetscapeFuncs size");
#endif

#endif
