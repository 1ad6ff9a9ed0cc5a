// The window procedure installed on an instance's window: a full-page
// instance paints the notice that asks the user to go back by hand; every
// other message goes on to the procedure the plug-in's replaced. Once no
// instance uses the window, it is a plain pass-through that steps out of the
// window's chain as soon as it is on top again.
#include "launcher_instance.h"
#include "platform.h"

static const COLORREF kNoticeTextColour = 0x006688FF;
static const char kNoticeFirstLine[] = "For Netscape 6.0 and Opera user";
static const char kNoticeSecondLine[] = "Please click Back button to return to previous page.";

// Each line is drawn with the device context's own defaults (opaque, on
// white) over the gray fill.
static void PaintNotice(HDC dc, HWND hwnd) {
  RECT client;
  GetClientRect(hwnd, &client);
  SetTextColor(dc, kNoticeTextColour);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  TextOutA(dc, 10, 20, kNoticeFirstLine, sizeof kNoticeFirstLine - 1);
  TextOutA(dc, 10, 40, kNoticeSecondLine, sizeof kNoticeSecondLine - 1);
}

// BeginPaint has the background erased by the procedures below, where the
// browser may destroy the instance: the record is looked up after it.
static void PaintWindow(HWND hwnd) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  const LauncherInstance* record = PlatformAttachedRecord(hwnd);
  if (record != nullptr && record->mode == NP_FULL) PaintNotice(dc, hwnd);
  EndPaint(hwnd, &paint);
}

LRESULT CALLBACK LauncherWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const bool attached = PlatformAttachedRecord(hwnd) != nullptr;
  if (attached && message == WM_PAINT) {
    PaintWindow(hwnd);
    return 0;
  }
  WNDPROC replaced = PlatformReplacedProc(hwnd);
  // A window the plug-in never subclassed gets the system's default handling.
  if (replaced == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  if (!attached) LeaveWindowChain(hwnd);
  if (message == WM_NCDESTROY) {
    PlatformForgetRecord(hwnd);
    PlatformForgetReplacedProc(hwnd);
  }
  return CallWindowProcA(replaced, hwnd, message, wParam, lParam);
}
