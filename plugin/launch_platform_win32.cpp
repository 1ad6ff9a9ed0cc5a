// The real Windows calls behind launch_platform.h.
#include "launch_platform.h"

#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>

static HKEY RootKey(RegistryRoot root) {
  return root == kClassesRoot ? HKEY_CLASSES_ROOT : HKEY_LOCAL_MACHINE;
}

static const bool k64BitProgram = sizeof(void*) == 8;

bool PlatformHasOtherRegistryView(void) {
  if (k64BitProgram) return true;
  BOOL onWow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &onWow64) && onWow64;
}

bool PlatformOpenKey(RegistryRoot root, const char* path, RegistryKey* key) {
  HKEY opened = nullptr;
  REGSAM access = KEY_QUERY_VALUE;
  if (root == kLocalMachineOtherView) access |= k64BitProgram ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
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
