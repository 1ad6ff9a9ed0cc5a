#include "capture.h"

#include <stdio.h>
#include <string.h>

Capture CaptureClient(HWND hwnd) {
  RECT client;
  GetClientRect(hwnd, &client);
  Capture capture = {client.right, client.bottom, {}};
  BITMAPINFO info;
  memset(&info, 0, sizeof info);
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = capture.width;
  info.bmiHeader.biHeight = -capture.height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC windowDc = GetDC(hwnd);
  HDC memoryDc = CreateCompatibleDC(windowDc);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memoryDc, bitmap);
  BitBlt(memoryDc, 0, 0, capture.width, capture.height, windowDc, 0, 0, SRCCOPY);
  GdiFlush();
  const uint32_t* row = static_cast<const uint32_t*>(bits);
  capture.pixels.resize(static_cast<size_t>(capture.width) * capture.height);
  for (size_t i = 0; i < capture.pixels.size(); ++i) {
    const uint32_t bgr = row[i];  // 0x00RRGGBB in memory order B, G, R
    capture.pixels[i] = RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF);
  }
  SelectObject(memoryDc, previous);
  DeleteObject(bitmap);
  DeleteDC(memoryDc);
  ReleaseDC(hwnd, windowDc);
  return capture;
}

bool SaveBitmap(const Capture& capture, const std::string& path) {
  const int rowBytes = (capture.width * 3 + 3) & ~3;
  BITMAPFILEHEADER file;
  BITMAPINFOHEADER header;
  memset(&file, 0, sizeof file);
  memset(&header, 0, sizeof header);
  header.biSize = sizeof header;
  header.biWidth = capture.width;
  header.biHeight = capture.height;  // bottom-up
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biSizeImage = rowBytes * capture.height;
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + header.biSizeImage;
  FILE* out = fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  fwrite(&file, sizeof file, 1, out);
  fwrite(&header, sizeof header, 1, out);
  std::vector<unsigned char> row(rowBytes, 0);
  for (int y = capture.height - 1; y >= 0; --y) {
    for (int x = 0; x < capture.width; ++x) {
      const COLORREF pixel = capture.At(x, y);
      row[x * 3] = GetBValue(pixel);
      row[x * 3 + 1] = GetGValue(pixel);
      row[x * 3 + 2] = GetRValue(pixel);
    }
    fwrite(row.data(), 1, row.size(), out);
  }
  return fclose(out) == 0;
}
