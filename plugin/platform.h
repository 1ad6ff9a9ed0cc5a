// The Windows operations the plug-in's decisions need, one function each.
// platform_win32.cpp makes the real calls; the native tests link a recording
// fake in their place.
#ifndef NPZQK_PLATFORM_H
#define NPZQK_PLATFORM_H

#include "launcher_instance.h"

enum RegistryRoot { kLocalMachine, kClassesRoot };
typedef void* RegistryKey;

// RegOpenKeyExA with options 0 and KEY_QUERY_VALUE.
bool PlatformOpenKey(RegistryRoot root, const char* path, RegistryKey* key);
// RegQueryValueExA of a named value; size receives the byte count read.
bool PlatformQueryValue(RegistryKey key, const char* name, char* buffer, uint32_t capacity, uint32_t* size);
// RegQueryValueA of the key's own default value (no sub-key name).
bool PlatformQueryDefaultValue(RegistryKey key, char* buffer, uint32_t capacity, uint32_t* size);
void PlatformCloseKey(RegistryKey key);

// ShellExecuteA with no owner window; returns its result as an unsigned number.
uintptr_t PlatformShellExecute(const char* verb, const char* file, const char* parameters,
                               const char* directory, int showCommand);
// MessageBoxA with no owner window and the given style; returns when closed.
void PlatformMessageBox(const char* text, const char* caption, unsigned style);

// Installs the plug-in's window procedure on hwnd and returns the one it replaced.
NativeWindowProc PlatformSubclassWindow(NativeWindow hwnd);
// Gives hwnd the procedure back.
void PlatformRestoreWindowProc(NativeWindow hwnd, NativeWindowProc procedure);
// Names the record in the window's "instance->pdata" property.
void PlatformAttachRecord(NativeWindow hwnd, LauncherInstance* record);
// Invalidates the whole client area, with erasing, and repaints it at once.
void PlatformRepaint(NativeWindow hwnd);

// The window property through which the window procedure finds its record.
extern const char kRecordProperty[];

#if defined(_WIN32)
// The procedure the plug-in installs on its instances' windows.
LRESULT CALLBACK LauncherWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
#endif

#endif
