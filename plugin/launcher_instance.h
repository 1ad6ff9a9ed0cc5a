// The per-instance record of the plug-in and the operations the browser calls
// through the plug-in's table.
#ifndef NPZQK_LAUNCHER_INSTANCE_H
#define NPZQK_LAUNCHER_INSTANCE_H

#include "npapi.h"

#if defined(_WIN32)
typedef HWND NativeWindow;
typedef WNDPROC NativeWindowProc;
#else
typedef void* NativeWindow;
typedef intptr_t (*NativeWindowProc)(NativeWindow, unsigned, uintptr_t, intptr_t);
#endif

// Capacity of the UID buffer: at most 1023 characters and the NUL.
const uint32_t kUidCapacity = 1024;

struct LauncherInstance {
  NPWindow* window;              // last window description given; not owned
  uint16_t mode;                 // NP_EMBED or NP_FULL
  NativeWindow hwnd;             // the window whose procedure is replaced, or null
  NativeWindowProc prevWndProc;  // the procedure replaced on hwnd, or null
  uint8_t closeAfterStream;      // 1: the page asked for winclose=yes
  uint8_t mayNavigate;           // 0 under Opera, else 1
  char uid[kUidCapacity];        // the page's UID, empty when none
};

NPError NPP_Initialize(void);
void NPP_Shutdown(void);
NPError NPP_New(NPMIMEType pluginType, NPP instance, uint16_t mode, int16_t argc, char* argn[], char* argv[],
                NPSavedData* saved);
NPError NPP_Destroy(NPP instance, NPSavedData** save);
NPError NPP_SetWindow(NPP instance, NPWindow* window);
NPError NPP_NewStream(NPP instance, NPMIMEType type, NPStream* stream, NPBool seekable, uint16_t* stype);
NPError NPP_DestroyStream(NPP instance, NPStream* stream, NPReason reason);
void NPP_StreamAsFile(NPP instance, NPStream* stream, const char* fname);
int32_t NPP_WriteReady(NPP instance, NPStream* stream);
int32_t NPP_Write(NPP instance, NPStream* stream, int32_t offset, int32_t len, void* buffer);
void NPP_Print(NPP instance, NPPrint* platformPrint);
void NPP_URLNotify(NPP instance, const char* url, NPReason reason, void* notifyData);

// The record an instance carries, or null for a null instance or one without
// a record: the operations that take an instance refuse both alike.
LauncherInstance* InstanceRecord(NPP instance);

// Gives the record's subclassed window its former procedure back and forgets both.
void DetachWindow(LauncherInstance* record);

// Takes the plug-in's procedure out of a window that no instance uses any
// more, when nothing sits on top of it; otherwise it stays a pass-through.
void LeaveWindowChain(NativeWindow hwnd);

#endif
