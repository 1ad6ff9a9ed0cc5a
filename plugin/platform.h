// The Windows operations the plug-in's decisions need, one function each.
// platform_win32.cpp makes the real calls; the native tests link a recording
// fake in their place.
#ifndef NPZQK_PLATFORM_H
#define NPZQK_PLATFORM_H

#include "launcher_instance.h"

// HKEY_LOCAL_MACHINE as the plug-in itself sees it, its 32-bit view (on
// 64-bit Windows a separate one, where 32-bit installers write), and
// HKEY_CLASSES_ROOT.
enum RegistryRoot { kLocalMachine, kLocalMachine32BitView, kClassesRoot };
typedef void* RegistryKey;

// True when the plug-in's own view of HKEY_LOCAL_MACHINE is not the 32-bit
// one, that is for a 64-bit plug-in.
bool PlatformHasSeparate32BitView(void);

// RegOpenKeyExA with options 0 and KEY_QUERY_VALUE (and KEY_WOW64_32KEY for
// the 32-bit view).
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

// Installs the plug-in's window procedure on hwnd and returns the one it
// replaced, or null when the window could not be subclassed.
NativeWindowProc PlatformSubclassWindow(NativeWindow hwnd);
// True when hwnd's procedure is the plug-in's own, with no other on top of it.
bool PlatformOwnProcedureOnTop(NativeWindow hwnd);
// Gives hwnd the procedure back.
void PlatformRestoreWindowProc(NativeWindow hwnd, NativeWindowProc procedure);
// The procedure the plug-in's replaced on hwnd, kept on the window itself for
// as long as the plug-in's procedure is in its chain; null when it is not.
void PlatformKeepReplacedProc(NativeWindow hwnd, NativeWindowProc procedure);
NativeWindowProc PlatformReplacedProc(NativeWindow hwnd);
void PlatformForgetReplacedProc(NativeWindow hwnd);
// The record named in the window's "instance->pdata" property, or null.
void PlatformAttachRecord(NativeWindow hwnd, LauncherInstance* record);
LauncherInstance* PlatformAttachedRecord(NativeWindow hwnd);
void PlatformForgetRecord(NativeWindow hwnd);
// Invalidates the whole client area, with erasing, and repaints it at once.
// The window's procedures run meanwhile: the browser may call in.
void PlatformRepaint(NativeWindow hwnd);
// Keeps the library loaded until the process ends, once a window may still
// route its messages through the plug-in's procedure.
void PlatformKeepLibraryLoaded(void);

#if defined(_WIN32)
// The procedure the plug-in installs on its instances' windows.
LRESULT CALLBACK LauncherWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
#endif

#endif
