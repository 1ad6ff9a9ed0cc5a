// A window's client area copied once into memory, to read pixels from or to
// save as a picture.
#ifndef NPZQK_CAPTURE_H
#define NPZQK_CAPTURE_H

#include <windows.h>

#include <string>
#include <vector>

struct Capture {
  int width;
  int height;
  std::vector<COLORREF> pixels;  // row by row from the top
  COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

Capture CaptureClient(HWND hwnd);
// Writes the capture as a 24-bit BMP file; false when the file was not written.
bool SaveBitmap(const Capture& capture, const std::string& path);

#endif
