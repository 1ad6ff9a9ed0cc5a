// The real Windows calls behind platform.h.
#include "platform.h"

#include <shellapi.h>

static const char kRecordProperty[] = "instance->pdata";
static const char kReplacedProcProperty[] = "NPZqk.replacedWndProc";

static HKEY RootKey(RegistryRoot root) {
  return root == kClassesRoot ? HKEY_CLASSES_ROOT : HKEY_LOCAL_MACHINE;
}

bool PlatformHasSeparate32BitView(void) { return sizeof(void*) == 8; }

bool PlatformOpenKey(RegistryRoot root, const char* path, RegistryKey* key) {
  HKEY opened = nullptr;
  const REGSAM access = root == kLocalMachine32BitView ? KEY_QUERY_VALUE | KEY_WOW64_32KEY : KEY_QUERY_VALUE;
  if (RegOpenKeyExA(RootKey(root), path, 0, access, &opened) != ERROR_SUCCESS) return false;
  *key = opened;
  return true;
}

bool PlatformQueryValue(RegistryKey key, const char* name, char* buffer, uint32_t capacity, uint32_t* size) {
  DWORD bytes = capacity;
  const LONG status = RegQueryValueExA(static_cast<HKEY>(key), name, nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(buffer), &bytes);
  *size = bytes;
  return status == ERROR_SUCCESS;
}

bool PlatformQueryDefaultValue(RegistryKey key, char* buffer, uint32_t capacity, uint32_t* size) {
  LONG bytes = static_cast<LONG>(capacity);
  const LONG status = RegQueryValueA(static_cast<HKEY>(key), nullptr, buffer, &bytes);
  *size = static_cast<uint32_t>(bytes);
  return status == ERROR_SUCCESS;
}

void PlatformCloseKey(RegistryKey key) { RegCloseKey(static_cast<HKEY>(key)); }

uintptr_t PlatformShellExecute(const char* verb, const char* file, const char* parameters,
                               const char* directory, int showCommand) {
  HINSTANCE result = ShellExecuteA(nullptr, verb, file, parameters, directory, showCommand);
  return reinterpret_cast<uintptr_t>(result);
}

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
