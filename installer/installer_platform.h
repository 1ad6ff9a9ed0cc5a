// The Windows operations the installer's flow needs. platform_win32.cpp makes
// the real calls; the native tests link a recording fake in their place.
#ifndef NPZQK_INSTALLER_PLATFORM_H
#define NPZQK_INSTALLER_PLATFORM_H

#include <stdint.h>

typedef void* InstallerKey;

// RegOpenKeyExA under HKEY_LOCAL_MACHINE with KEY_QUERY_VALUE.
bool InstallerOpenKey(const char* path, InstallerKey* key);
// RegQueryValueExA; size is the capacity on entry and the byte count read on return.
bool InstallerQueryValue(InstallerKey key, const char* name, char* buffer, uint32_t* size);
void InstallerCloseKey(InstallerKey key);
// CopyFileA, replacing an existing destination.
bool InstallerCopyFile(const char* source, const char* destination);
// Writes text to standard output, in its text mode.
void InstallerWrite(const char* text);

#endif
