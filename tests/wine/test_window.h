// Real top-level windows standing in for the browser's plug-in windows.
#ifndef NPZQK_TEST_WINDOW_H
#define NPZQK_TEST_WINDOW_H

#include <windows.h>

HWND CreatePageWindow(int x, int y, int width, int height);
void DestroyPageWindow(HWND hwnd);
void PumpMessages(void);

#endif
