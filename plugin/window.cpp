// NPP_SetWindow: keeps the plug-in's window procedure installed on whatever
// native window the browser gives the instance, and gives each window its
// former procedure back when the browser changes or withdraws it.
#include "launcher_instance.h"
#include "platform.h"

// Gives the subclassed window, if any, its former procedure back. When the
// subclassing failed there is no former procedure, and writing a null one
// would break the window.
void DetachWindow(LauncherInstance* record) {
  if (record->hwnd != nullptr && record->prevWndProc != nullptr) {
    PlatformRestoreWindowProc(record->hwnd, record->prevWndProc);
  }
  record->prevWndProc = nullptr;
  record->hwnd = nullptr;
}

static void AttachWindow(LauncherInstance* record, NativeWindow handle) {
  record->prevWndProc = PlatformSubclassWindow(handle);
  record->hwnd = handle;
  PlatformAttachRecord(handle, record);
  PlatformRepaint(handle);
}

NPError NPP_SetWindow(NPP instance, NPWindow* window) {
  if (instance == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  LauncherInstance* record = InstanceRecord(instance);
  if (record == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  NativeWindow handle = window != nullptr ? static_cast<NativeWindow>(window->window) : nullptr;
  if (record->window != nullptr) {
    if (handle == nullptr) {
      DetachWindow(record);
    } else if (handle == record->hwnd) {
      PlatformRepaint(handle);
    } else {
      DetachWindow(record);
      AttachWindow(record, handle);
    }
  } else if (handle != nullptr) {
    AttachWindow(record, handle);
  }
  record->window = window;
  return NPERR_NO_ERROR;
}
