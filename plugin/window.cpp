// NPP_SetWindow: keeps the plug-in's window procedure installed on whatever
// native window the browser gives the instance, and gives each window its
// former procedure back when the browser changes or withdraws it.
//
// The plug-in's place in a window's chain of procedures belongs to the
// window, not to a record: it is taken once, however many instances are given
// the window, and the procedure it replaced is kept on the window, where the
// pass-through still finds it once every record is gone. The window's
// "instance->pdata" property names the one record that paints the window; a
// record it no longer names has nothing more to do with the window.
#include "launcher_instance.h"
#include "platform.h"

void LeaveWindowChain(NativeWindow hwnd) {
  const NativeWindowProc replaced = PlatformReplacedProc(hwnd);
  if (replaced == nullptr) return;
  if (PlatformOwnProcedureOnTop(hwnd)) {
    PlatformRestoreWindowProc(hwnd, replaced);
    PlatformForgetReplacedProc(hwnd);
  } else {
    // Another procedure sits on top and will call the plug-in's: it passes
    // messages on, so its code must stay loaded.
    PlatformKeepLibraryLoaded();
  }
}

void DetachWindow(LauncherInstance* record) {
  NativeWindow hwnd = record->hwnd;
  record->prevWndProc = nullptr;
  record->hwnd = nullptr;
  if (hwnd == nullptr || PlatformAttachedRecord(hwnd) != record) return;
  PlatformForgetRecord(hwnd);
  LeaveWindowChain(hwnd);
}

// A window that cannot be subclassed is not attached: it is never given a
// null procedure back.
static void AttachWindow(LauncherInstance* record, NativeWindow hwnd) {
  NativeWindowProc replaced = PlatformReplacedProc(hwnd);
  if (replaced == nullptr) {
    replaced = PlatformSubclassWindow(hwnd);
    if (replaced == nullptr) return;
    PlatformKeepReplacedProc(hwnd, replaced);
  }
  record->prevWndProc = replaced;
  record->hwnd = hwnd;
  PlatformAttachRecord(hwnd, record);
}

// Repainting lets the browser in, and it may destroy the instance there: the
// repaint comes last and the record is not touched after it.
NPError NPP_SetWindow(NPP instance, NPWindow* window) {
  LauncherInstance* record = InstanceRecord(instance);
  if (record == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  NativeWindow handle = window != nullptr ? static_cast<NativeWindow>(window->window) : nullptr;
  const bool hadWindow = record->window != nullptr;
  record->window = window;
  if (hadWindow && handle != record->hwnd) DetachWindow(record);
  if (handle == nullptr) return NPERR_NO_ERROR;
  if (handle != record->hwnd) AttachWindow(record, handle);
  PlatformRepaint(handle);
  return NPERR_NO_ERROR;
}
