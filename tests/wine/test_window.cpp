// The plug-in's window procedure on real windows: installed, passed through,
// handed back, and the full-page notice painted and read back pixel by pixel.
#include <string.h>

#include "capture.h"
#include "host_browser.h"
#include "host_system.h"
#include "test_window.h"
#include "wine_test.h"

static const UINT kPrivateMessage = WM_APP + 7;
static const LRESULT kPrivateAnswer = 0x1234ABCD;
static const COLORREF kPageColour = RGB(0, 200, 0);
static const char kRecordProperty[] = "instance->pdata";

struct PageWindow {
  HWND hwnd;
  int erases;  // WM_ERASEBKGND seen by the page's own procedure
  WPARAM lastWParam;
  LPARAM lastLParam;
};
static PageWindow gPages[2];
static void (*gWhileErasing)(void) = nullptr;  // the browser calling in from its own procedure

static PageWindow* PageOf(HWND hwnd) {
  for (PageWindow& page : gPages) {
    if (page.hwnd == hwnd) return &page;
  }
  return nullptr;
}

// The browser's own procedure for the windows it gives the plug-in.
static LRESULT CALLBACK PageProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  PageWindow* page = PageOf(hwnd);
  if (page != nullptr && message == WM_ERASEBKGND) ++page->erases;
  if (message == WM_ERASEBKGND && gWhileErasing != nullptr) gWhileErasing();
  if (message == kPrivateMessage) {
    if (page != nullptr) {
      page->lastWParam = wParam;
      page->lastLParam = lParam;
    }
    return kPrivateAnswer;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND CreatePageWindow(int x, int y, int width, int height) {
  static ATOM registered = 0;
  if (registered == 0) {
    WNDCLASSA windowClass;
    memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = PageProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = CreateSolidBrush(kPageColour);
    windowClass.lpszClassName = "NPZqkTestPage";
    registered = RegisterClassA(&windowClass);
  }
  HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, "NPZqkTestPage", "page", WS_POPUP | WS_VISIBLE, x, y, width,
                              height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  for (PageWindow& page : gPages) {
    if (page.hwnd == nullptr) {
      page.hwnd = hwnd;
      break;
    }
  }
  UpdateWindow(hwnd);
  return hwnd;
}

void DestroyPageWindow(HWND hwnd) {
  PageWindow* page = PageOf(hwnd);
  if (page != nullptr) memset(page, 0, sizeof *page);
  DestroyWindow(hwnd);
}

void PumpMessages(void) {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

static WNDPROC ProcedureOf(HWND hwnd) {
  return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
}

static WNDPROC SetProcedure(HWND hwnd, WNDPROC procedure) {
  return reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

// True when the window's procedure is the plug-in's.
static bool Subclassed(HWND hwnd) { return LibraryOwns(reinterpret_cast<const void*>(ProcedureOf(hwnd))); }

NPWindow WindowFor(HWND hwnd) {
  NPWindow window;
  memset(&window, 0, sizeof window);
  window.window = hwnd;
  window.width = 600;
  window.height = 120;
  window.type = NPWindowTypeWindow;
  return window;
}

static void TestAttachAndPassThrough(void) {
  HWND a = CreatePageWindow(0, 0, 600, 120);
  HostInstance instance;
  NewInstance(&instance, NP_EMBED, {}, {});
  NPWindow window = WindowFor(a);
  PageWindow* page = PageOf(a);
  const int erasesBefore = page->erases;
  ok(gHost.plugin.setwindow(&instance.npp, &window) == NPERR_NO_ERROR, "setwindow refused");
  ok(ProcedureOf(a) != PageProcedure && Subclassed(a), "the plug-in's procedure is not installed");
  ok(GetPropA(a, kRecordProperty) == instance.npp.pdata, "the window property does not name the record");
  ok(page->erases == erasesBefore + 1, "attaching did not repaint with erasing (%d erases)",
     page->erases - erasesBefore);

  const LRESULT answer = SendMessageA(a, kPrivateMessage, 0xBEEF, 0x5EED);
  ok(answer == kPrivateAnswer, "pass-through answered %lx", static_cast<long>(answer));
  ok(page->lastWParam == 0xBEEF && page->lastLParam == 0x5EED, "pass-through changed the arguments");
  char title[16] = "";
  GetWindowTextA(a, title, sizeof title);
  ok(lstrcmpA(title, "page") == 0, "WM_GETTEXT did not reach the page's procedure: [%s]", title);

  const WNDPROC installed = ProcedureOf(a);
  NPWindow resized = WindowFor(a);
  resized.width = 500;
  gHost.plugin.setwindow(&instance.npp, &resized);
  ok(ProcedureOf(a) == installed, "the same window was subclassed again");
  ok(page->erases == erasesBefore + 2, "the same handle again did not repaint");
  ok(SendMessageA(a, kPrivateMessage, 1, 2) == kPrivateAnswer, "pass-through lost after re-attach");

  HWND b = CreatePageWindow(0, 130, 600, 120);
  NPWindow other = WindowFor(b);
  gHost.plugin.setwindow(&instance.npp, &other);
  ok(ProcedureOf(a) == PageProcedure, "the old window did not get its procedure back");
  ok(Subclassed(b), "the new window is not subclassed");
  ok(GetPropA(b, kRecordProperty) == instance.npp.pdata, "the new window's property");

  gHost.plugin.setwindow(&instance.npp, nullptr);
  ok(ProcedureOf(b) == PageProcedure, "a null window did not detach");
  NPWindow handleless;
  memset(&handleless, 0, sizeof handleless);
  gHost.plugin.setwindow(&instance.npp, &handleless);
  gHost.plugin.setwindow(&instance.npp, &other);
  ok(Subclassed(b), "re-attaching after a handle-less window");
  DestroyInstance(&instance);
  ok(ProcedureOf(b) == PageProcedure, "destroy did not give the window its procedure back");
  ok(SendMessageA(b, kPrivateMessage, 0, 0) == kPrivateAnswer, "the page's window no longer works");
  ok(gHost.plugin.setwindow(nullptr, &other) == NPERR_INVALID_INSTANCE_ERROR, "null instance accepted");
  DestroyPageWindow(a);
  DestroyPageWindow(b);
}

static void TestWindowWithoutRecord(void) {
  // The plug-in's procedure on a window that names no record must not crash.
  HWND a = CreatePageWindow(0, 0, 200, 100);
  HostInstance instance;
  NewInstance(&instance, NP_FULL, {}, {});
  NPWindow window = WindowFor(a);
  gHost.plugin.setwindow(&instance.npp, &window);
  const WNDPROC launcher = ProcedureOf(a);
  DestroyInstance(&instance);
  HWND bare = CreatePageWindow(0, 0, 200, 100);
  SetProcedure(bare, launcher);
  char title[16] = "";
  GetWindowTextA(bare, title, sizeof title);
  ok(lstrcmpA(title, "page") == 0, "default handling of a window without record: [%s]", title);
  InvalidateRect(bare, nullptr, TRUE);
  UpdateWindow(bare);
  ok(GetUpdateRect(bare, nullptr, FALSE) == FALSE, "WM_PAINT of a window without record left it invalid");
  SetProcedure(bare, PageProcedure);
  DestroyPageWindow(bare);
  DestroyPageWindow(a);
}

// Another party (the browser, an accessibility tool) subclasses the window
// after the plug-in, and later puts back the procedure it had saved.
static WNDPROC gSavedByOther = nullptr;
static int gSeenByOther = 0;
static LRESULT CALLBACK OtherPartyProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kPrivateMessage) ++gSeenByOther;
  return CallWindowProcA(gSavedByOther, hwnd, message, wParam, lParam);
}

// True when a private message reaches the page's own procedure, and its
// answer comes back, through whatever procedures sit on top.
static bool ReachesPage(HWND hwnd) {
  PageWindow* page = PageOf(hwnd);
  page->lastWParam = 0;
  return SendMessageA(hwnd, kPrivateMessage, 0xF00D, 0) == kPrivateAnswer && page->lastWParam == 0xF00D;
}

// A new page window of 300 by 100, given to a new instance of the mode through
// the window description, which must outlive the instance's use of it.
static HWND AttachNewPage(HostInstance* instance, NPWindow* window, uint16_t mode) {
  HWND hwnd = CreatePageWindow(0, 0, 300, 100);
  NewInstance(instance, mode, {}, {});
  *window = WindowFor(hwnd);
  gHost.plugin.setwindow(&instance->npp, window);
  return hwnd;
}

// The plug-in leaves (destroyed, or given a null window) before or after the
// other party; a released record must never be read (the host's memfree makes
// that fatal) and the window ends with its own procedure.
static void TestOtherPartyOnTop(bool pluginLeavesFirst, bool byDestroy) {
  const char* what = pluginLeavesFirst
                         ? (byDestroy ? "plug-in destroyed first" : "plug-in given a null window first")
                         : "other party leaves first";
  HostInstance instance;
  NPWindow window;
  HWND a = AttachNewPage(&instance, &window, NP_FULL);
  gSavedByOther = SetProcedure(a, OtherPartyProcedure);
  if (!pluginLeavesFirst) SetProcedure(a, gSavedByOther);
  if (byDestroy) {
    DestroyInstance(&instance);
  } else {
    gHost.plugin.setwindow(&instance.npp, nullptr);
  }
  if (pluginLeavesFirst) {
    ok(ProcedureOf(a) == OtherPartyProcedure, "%s: the other party's procedure was knocked out", what);
    gSeenByOther = 0;
    ok(ReachesPage(a) && gSeenByOther == 1, "%s: messages no longer reach both procedures", what);
    SetProcedure(a, gSavedByOther);
  }
  ok(ReachesPage(a), "%s: the page's procedure no longer gets messages", what);
  ok(ProcedureOf(a) == PageProcedure, "%s: the window did not get its own procedure back", what);
  if (!byDestroy) DestroyInstance(&instance);
  DestroyPageWindow(a);
}

// A browser fault: one window handed to two live instances.
static void TestOneWindowTwoInstances(bool firstGoesFirst) {
  HostInstance first, second;
  NPWindow window;
  HWND a = AttachNewPage(&first, &window, NP_FULL);
  NewInstance(&second, NP_FULL, {}, {});
  gHost.plugin.setwindow(&second.npp, &window);
  ok(ReachesPage(a), "two instances on one window: messages do not reach the page");
  DestroyInstance(firstGoesFirst ? &first : &second);
  ok(ReachesPage(a), "one of two instances destroyed: messages do not reach the page");
  DestroyInstance(firstGoesFirst ? &second : &first);
  ok(ProcedureOf(a) == PageProcedure,
     "both instances destroyed (%s first): the window's procedure is not its own",
     firstGoesFirst ? "first" : "second");
  ok(ReachesPage(a), "both instances destroyed: messages do not reach the page");
  DestroyPageWindow(a);
}

static HostInstance* gDoomed = nullptr;
static void DestroyDoomed(void) {
  gWhileErasing = nullptr;
  DestroyInstance(gDoomed);
}

// The browser destroys the instance from its own procedure while the
// repaint that NPP_SetWindow asks for is under way.
static void TestDestroyedWhileRepainting(void) {
  HWND a = CreatePageWindow(0, 0, 300, 100);
  HostInstance instance;
  NewInstance(&instance, NP_FULL, {}, {});
  NPWindow window = WindowFor(a);
  const int releases = gHost.releases;
  gDoomed = &instance;
  gWhileErasing = DestroyDoomed;
  ok(gHost.plugin.setwindow(&instance.npp, &window) == NPERR_NO_ERROR, "setwindow refused");
  ok(gHost.releases == releases + 1 && instance.npp.pdata == nullptr, "the instance was not destroyed");
  ok(ProcedureOf(a) == PageProcedure && ReachesPage(a), "the window did not get its own procedure back");
  DestroyPageWindow(a);
}

// Once the plug-in could not step out of a window's chain, the browser's
// FreeLibrary leaves the library loaded: the window still routes through it.
static void TestLibraryOutlivesFreeLibrary(void) {
  HostInstance instance;
  NPWindow window;
  HWND a = AttachNewPage(&instance, &window, NP_EMBED);
  gSavedByOther = SetProcedure(a, OtherPartyProcedure);
  DestroyInstance(&instance);
  StopPlugin();
  FreeLibrary(gHost.library);
  ok(GetModuleHandleA("NPZqk.dll") == gHost.library, "the library was unloaded under a window that uses it");
  ok(ReachesPage(a), "after FreeLibrary: messages do not reach the page");
  SetProcedure(a, gSavedByOther);
  ok(ReachesPage(a) && ProcedureOf(a) == PageProcedure,
     "after FreeLibrary: the window's procedure is not its own");
  DestroyPageWindow(a);
}

// The notice's text extents as the window's device context measures them.
static SIZE TextExtent(HWND hwnd, const char* text) {
  HDC dc = GetDC(hwnd);
  SIZE size = {0, 0};
  GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
  ReleaseDC(hwnd, dc);
  return size;
}

const COLORREF kGray = RGB(128, 128, 128);
const COLORREF kTextColour = 0x006688FF;

// Pixels of a line's box: text colour, white, blends of the two (smoothed
// glyph edges), and anything else.
struct BoxPixels {
  int text, background, blend, other;
};

static bool IsBlendOfTextAndWhite(COLORREF pixel) {
  return GetRValue(pixel) == 0xFF && GetGValue(pixel) >= 0x88 && GetBValue(pixel) >= 0x66;
}

static BoxPixels CountPixels(const Capture& capture, int x, int y, SIZE size) {
  BoxPixels counted = {0, 0, 0, 0};
  for (int py = y; py < y + size.cy && py < capture.height; ++py) {
    for (int px = x; px < x + size.cx && px < capture.width; ++px) {
      const COLORREF pixel = capture.At(px, py);
      if (pixel == kTextColour)
        ++counted.text;
      else if (pixel == RGB(255, 255, 255))
        ++counted.background;
      else if (IsBlendOfTextAndWhite(pixel))
        ++counted.blend;
      else
        ++counted.other;
    }
  }
  return counted;
}

static const char kFirstLine[] = "For Netscape 6.0 and Opera user";
static const char kSecondLine[] = "Please click Back button to return to previous page.";

static void PrintBox(const char* name, SIZE size, const BoxPixels& box) {
  printf("%s: box %ldx%ld: %d text-coloured, %d white, %d blended, %d other\n", name, size.cx, size.cy,
         box.text, box.background, box.blend, box.other);
}

static void TestNoticePainting(void) {
  HWND full = CreatePageWindow(0, 0, 600, 120);
  HostInstance instance;
  NewInstance(&instance, NP_FULL, {}, {});
  NPWindow window = WindowFor(full);
  gHost.plugin.setwindow(&instance.npp, &window);
  PumpMessages();
  const Capture notice = CaptureClient(full);
  ok(notice.At(1, 1) == kGray && notice.At(598, 118) == kGray, "the client area is not gray: %06lx, %06lx",
     notice.At(1, 1), notice.At(598, 118));
  const SIZE first = TextExtent(full, kFirstLine);
  const SIZE second = TextExtent(full, kSecondLine);
  const BoxPixels one = CountPixels(notice, 10, 20, first);
  const BoxPixels two = CountPixels(notice, 10, 40, second);
  printf("notice: corner %06lx\n", notice.At(1, 1));
  PrintBox("line 1", first, one);
  PrintBox("line 2", second, two);
  ok(one.text > 50 && one.background > 50 && one.other == 0, "line 1 is not text-coloured on white");
  ok(two.text > 50 && two.background > 50 && two.other == 0, "line 2 is not text-coloured on white");
  ok(notice.At(9, 20) == kGray && notice.At(10, 19) == kGray, "outside line 1 is not gray");
  ok(notice.At(10 + second.cx, 40) == kGray && notice.At(10, 40 + second.cy) == kGray,
     "outside line 2 is not gray");

  HWND embedded = CreatePageWindow(0, 130, 600, 120);
  HostInstance embed;
  NewInstance(&embed, NP_EMBED, {}, {});
  NPWindow embedWindow = WindowFor(embedded);
  gHost.plugin.setwindow(&embed.npp, &embedWindow);
  PumpMessages();
  const Capture page = CaptureClient(embedded);
  int foreign = 0;
  for (COLORREF pixel : page.pixels) foreign += pixel != kPageColour;
  ok(foreign == 0, "an embedded instance painted %d pixels over the page's own background", foreign);
  DestroyInstance(&embed);
  DestroyInstance(&instance);
  DestroyPageWindow(embedded);
  DestroyPageWindow(full);
}

// One row of the navigation table.
struct NavigationCase {
  uint16_t mode;
  const char* winclose;
  const char* userAgent;
  const char* url;
  const char* target;
};

static const char kNetscape[] = "Mozilla/5.0 (Windows; U; Win98; en-US) Netscape6/6.2";
static const char kNavigator[] = "Mozilla/4.79 [en] (Windows NT 5.0; U)";
static const char kOpera[] = "Opera/6.05 (Windows 2000; U)  [en]";

static const NavigationCase kNavigationCases[] = {
    {NP_FULL, nullptr, kNetscape, "javascript:history.back();", "_self"},
    {NP_FULL, "yes", kNavigator, "javascript:history.back();", "_self"},
    {NP_EMBED, "yes", kNetscape, "javascript:window.close()", "_top"},
    {NP_EMBED, "Yes", kNavigator, "javascript:window.close()", "_top"},
    {NP_EMBED, "no", kNetscape, nullptr, nullptr},
    {NP_EMBED, nullptr, kNetscape, nullptr, nullptr},
    {NP_FULL, nullptr, kOpera, nullptr, nullptr},
    {NP_FULL, "yes", kOpera, nullptr, nullptr},
    {NP_EMBED, "yes", kOpera, nullptr, nullptr},
};

static void TestNavigation(void) {
  ForgetViewer();  // the viewer is missing: the request is made all the same
  for (const NavigationCase& c : kNavigationCases) {
    gHost.userAgent = c.userAgent;
    gHost.navigations.clear();
    HostInstance instance;
    if (c.winclose != nullptr) {
      NewInstance(&instance, c.mode, {"winclose"}, {c.winclose});
    } else {
      NewInstance(&instance, c.mode, {}, {});
    }
    DeliverDocumentWatched(&instance, "http://h/a.zqk");
    if (c.url == nullptr) {
      ok(gHost.navigations.empty(), "mode %u winclose %s under [%s]: unexpected %s", c.mode, c.winclose,
         c.userAgent, gHost.navigations.empty() ? "" : gHost.navigations[0].url.c_str());
    } else {
      ok(gHost.navigations.size() == 1 && gHost.navigations[0].url == c.url &&
             gHost.navigations[0].target == c.target && gHost.navigations[0].instance == &instance.npp,
         "mode %u winclose %s under [%s]: no %s in %s", c.mode, c.winclose, c.userAgent, c.url, c.target);
    }
    NPStream stream;
    memset(&stream, 0, sizeof stream);
    gHost.navigations.clear();
    gHost.plugin.destroystream(&instance.npp, &stream, NPRES_USER_BREAK);
    ok(gHost.navigations.size() == (c.url ? 1u : 0u), "a stopped stream navigates differently");
    DestroyInstance(&instance);
  }
  ok(gHost.plugin.destroystream(nullptr, nullptr, NPRES_DONE) == NPERR_INVALID_INSTANCE_ERROR,
     "null instance accepted by destroystream");
  gHost.userAgent = kNetscape;
}

void RunWindowTests(void) {
  ok(StartPlugin(), "the plug-in did not start");
  if (gHost.library == nullptr) return;
  TestAttachAndPassThrough();
  TestWindowWithoutRecord();
  TestNoticePainting();
  TestNavigation();
  TestOtherPartyOnTop(true, true);
  TestOtherPartyOnTop(false, true);
  TestOtherPartyOnTop(true, false);
  TestOneWindowTwoInstances(true);
  TestOneWindowTwoInstances(false);
  TestDestroyedWhileRepainting();
  TestLibraryOutlivesFreeLibrary();
}
