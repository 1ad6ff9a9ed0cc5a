// The window procedure installed on an instance's window: a full-page
// instance paints the notice that asks the user to go back by hand; every
// other message goes on to the window's former procedure.
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

LRESULT CALLBACK LauncherWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const LauncherInstance* record = static_cast<LauncherInstance*>(GetPropA(hwnd, kRecordProperty));
  // A window that does not name a record, or whose former procedure is not
  // known, gets the system's default handling.
  if (record == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    if (record->mode == NP_FULL) PaintNotice(dc, hwnd);
    EndPaint(hwnd, &paint);
    return 0;
  }
  if (record->prevWndProc == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  return CallWindowProcA(record->prevWndProc, hwnd, message, wParam, lParam);
}
