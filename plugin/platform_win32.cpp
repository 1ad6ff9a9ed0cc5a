// The real Windows calls behind platform.h.
#include "platform.h"

#include <shellapi.h>

const char kRecordProperty[] = "instance->pdata";

static HKEY RootKey(RegistryRoot root) {
  return root == kClassesRoot ? HKEY_CLASSES_ROOT : HKEY_LOCAL_MACHINE;
}

bool PlatformOpenKey(RegistryRoot root, const char* path, RegistryKey* key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(RootKey(root), path, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return false;
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

NativeWindowProc PlatformSubclassWindow(NativeWindow hwnd) {
  const LONG previous = SetWindowLongA(hwnd, GWL_WNDPROC, reinterpret_cast<LONG>(LauncherWindowProc));
  return reinterpret_cast<NativeWindowProc>(previous);
}

void PlatformRestoreWindowProc(NativeWindow hwnd, NativeWindowProc procedure) {
  SetWindowLongA(hwnd, GWL_WNDPROC, reinterpret_cast<LONG>(procedure));
}

void PlatformAttachRecord(NativeWindow hwnd, LauncherInstance* record) {
  SetPropA(hwnd, kRecordProperty, record);
}

void PlatformRepaint(NativeWindow hwnd) {
  InvalidateRect(hwnd, nullptr, TRUE);
  UpdateWindow(hwnd);
}
