// The real Windows calls behind installer_platform.h.
#include <stdio.h>
#include <windows.h>

#include "installer_platform.h"

bool InstallerOpenKey(const char* path, InstallerKey* key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
    return false;
  }
  *key = opened;
  return true;
}

bool InstallerQueryValue(InstallerKey key, const char* name, char* buffer, uint32_t* size) {
  DWORD bytes = *size;
  const LONG status = RegQueryValueExA(static_cast<HKEY>(key), name, nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(buffer), &bytes);
  *size = bytes;
  return status == ERROR_SUCCESS;
}

void InstallerCloseKey(InstallerKey key) { RegCloseKey(static_cast<HKEY>(key)); }

bool InstallerCopyFile(const char* source, const char* destination) {
  return CopyFileA(source, destination, FALSE) != 0;
}

// A failed write has nowhere else to be reported: the installer writes
// nothing to standard error and always ends with status 0.
void InstallerWrite(const char* text) { (void)fputs(text, stdout); }
