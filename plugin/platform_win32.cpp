// The real Windows calls behind platform.h: the message box and the window.
#include "platform.h"

static const char kRecordProperty[] = "instance->pdata";
static const char kReplacedProcProperty[] = "NPZqk.replacedWndProc";

void PlatformMessageBox(const char* text, const char* caption, unsigned style) {
  MessageBoxA(nullptr, text, caption, style);
}

// Pointer-sized window data: a procedure address is never cut to 32 bits.
static WNDPROC WindowProcOf(HWND hwnd) {
  return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
}

static WNDPROC SetWindowProc(HWND hwnd, WNDPROC procedure) {
  return reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

NativeWindowProc PlatformSubclassWindow(NativeWindow hwnd) { return SetWindowProc(hwnd, LauncherWindowProc); }

bool PlatformOwnProcedureOnTop(NativeWindow hwnd) { return WindowProcOf(hwnd) == LauncherWindowProc; }

void PlatformRestoreWindowProc(NativeWindow hwnd, NativeWindowProc procedure) {
  SetWindowProc(hwnd, procedure);
}

void PlatformKeepReplacedProc(NativeWindow hwnd, NativeWindowProc procedure) {
  SetPropA(hwnd, kReplacedProcProperty, reinterpret_cast<HANDLE>(procedure));
}

NativeWindowProc PlatformReplacedProc(NativeWindow hwnd) {
  return reinterpret_cast<WNDPROC>(GetPropA(hwnd, kReplacedProcProperty));
}

void PlatformForgetReplacedProc(NativeWindow hwnd) { RemovePropA(hwnd, kReplacedProcProperty); }

void PlatformAttachRecord(NativeWindow hwnd, LauncherInstance* record) {
  SetPropA(hwnd, kRecordProperty, record);
}

LauncherInstance* PlatformAttachedRecord(NativeWindow hwnd) {
  return static_cast<LauncherInstance*>(GetPropA(hwnd, kRecordProperty));
}

void PlatformForgetRecord(NativeWindow hwnd) { RemovePropA(hwnd, kRecordProperty); }

void PlatformRepaint(NativeWindow hwnd) {
  InvalidateRect(hwnd, nullptr, TRUE);
  UpdateWindow(hwnd);
}

// One more reference to this library, never given back: the browser's
// FreeLibrary then leaves it loaded until the process ends. The library is
// never unloaded from inside its own window procedure.
void PlatformKeepLibraryLoaded(void) {
  static bool kept = false;
  if (kept) return;
  // The library's module is the allocation that holds its own code.
  MEMORY_BASIC_INFORMATION code;
  if (VirtualQuery(reinterpret_cast<const void*>(LauncherWindowProc), &code, sizeof code) == 0) return;
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(static_cast<HMODULE>(code.AllocationBase), path, sizeof path);
  kept = length > 0 && length < sizeof path && LoadLibraryA(path) != nullptr;
}
