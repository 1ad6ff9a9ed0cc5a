// The Windows operations that starting the viewer needs: reading the
// registry and the shell's open. launch_platform_win32.cpp makes the real
// calls, for the plug-in and the native messaging host alike; the native
// tests link a recording fake in their place.
#ifndef NPZQK_LAUNCH_PLATFORM_H
#define NPZQK_LAUNCH_PLATFORM_H

#include <stdint.h>

// HKEY_LOCAL_MACHINE as the program itself sees it, the other view of it on
// 64-bit Windows (the 32-bit view for a 64-bit program, the 64-bit view for a
// 32-bit one), and HKEY_CLASSES_ROOT.
enum RegistryRoot { kLocalMachine, kLocalMachineOtherView, kClassesRoot };
typedef void* RegistryKey;

// True when HKEY_LOCAL_MACHINE has another view than the program's own: for
// a 64-bit program, and for a 32-bit one on 64-bit Windows.
bool PlatformHasOtherRegistryView(void);

// RegOpenKeyExA with options 0 and KEY_QUERY_VALUE (and the other view's flag).
bool PlatformOpenKey(RegistryRoot root, const char* path, RegistryKey* key);
// RegQueryValueExA of a named value; size receives the byte count read.
bool PlatformQueryValue(RegistryKey key, const char* name, char* buffer, uint32_t capacity, uint32_t* size);
// RegQueryValueA of the key's own default value (no sub-key name).
bool PlatformQueryDefaultValue(RegistryKey key, char* buffer, uint32_t capacity, uint32_t* size);
void PlatformCloseKey(RegistryKey key);

// ShellExecuteA with no owner window; returns its result as an unsigned number.
uintptr_t PlatformShellExecute(const char* verb, const char* file, const char* parameters,
                               const char* directory, int showCommand);

#endif
