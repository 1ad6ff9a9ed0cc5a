// The Windows operations the plug-in's decisions need, one function each:
// those of the viewer launch, then the message box and the window's.
// platform_win32.cpp makes the real calls; the native tests link a recording
// fake in their place.
#ifndef NPZQK_PLATFORM_H
#define NPZQK_PLATFORM_H

#include "launch_platform.h"
#include "launcher_instance.h"

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
