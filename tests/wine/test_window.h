// Real top-level windows standing in for the browser's plug-in windows.
#ifndef NPZQK_TEST_WINDOW_H
#define NPZQK_TEST_WINDOW_H

#include <windows.h>

#include "npapi.h"

HWND CreatePageWindow(int x, int y, int width, int height);
void DestroyPageWindow(HWND hwnd);
void PumpMessages(void);
// The window description a browser gives for the window, 600 by 120.
NPWindow WindowFor(HWND hwnd);

#endif
