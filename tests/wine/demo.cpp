// The demonstration: the test host plays a browser opening zqk documents and
// tells a person what happened at each step.
#include <stdio.h>

#include "capture.h"
#include "host_browser.h"
#include "host_system.h"
#include "test_resource.h"
#include "test_window.h"

static void PrintServiceCalls(size_t from) {
  for (size_t i = from; i < gHost.log.size(); ++i) printf("    browser service: %s\n", gHost.log[i].c_str());
}

static void PrintViewer(const ViewerRecord& viewer) {
  if (!viewer.started) {
    printf("    viewer: not started\n");
    return;
  }
  printf("    viewer command line:      %s\n", viewer.commandLine.c_str());
  printf("    viewer arguments:         %s\n", viewer.parameters.c_str());
  for (size_t i = 0; i < viewer.arguments.size(); ++i) {
    printf("    viewer argv[%u]:           %s\n", static_cast<unsigned>(i + 1), viewer.arguments[i].c_str());
  }
  printf("    viewer working directory: %s\n", viewer.directory.c_str());
}

static void ListPluginTypes(void) {
  std::vector<char> data;
  if (!ReadVersionInfo(ProgramFolderOf() + "NPZqk.dll", &data)) {
    printf("  no version resource\n");
    return;
  }
  std::string mime, extents, names;
  QueryString(&data, "MIMEType", &mime);
  QueryString(&data, "FileExtents", &extents);
  QueryString(&data, "FileOpenName", &names);
  const std::vector<std::string> t = SplitList(mime), e = SplitList(extents), n = SplitList(names);
  for (size_t i = 0; i < t.size(); ++i) {
    printf("  %-22s extension %-4s open dialog \"%s\"\n", t[i].c_str(), i < e.size() ? e[i].c_str() : "?",
           i < n.size() ? n[i].c_str() : "?");
  }
}

// One document, from NPP_New to NPP_Destroy, with a real window.
static void OpenOne(const char* title, uint16_t mode, const std::vector<const char*>& names,
                    const std::vector<const char*>& values, const char* url, const char* picture) {
  printf("\n%s\n", title);
  for (size_t i = 0; i < names.size(); ++i) printf("    page attribute %s=\"%s\"\n", names[i], values[i]);
  printf("    user agent: %s\n", gHost.userAgent.c_str());
  const size_t logStart = gHost.log.size();
  HWND page = CreatePageWindow(0, 0, 600, 120);
  HostInstance instance;
  NewInstance(&instance, mode, names, values);
  NPWindow window = WindowFor(page);
  gHost.plugin.setwindow(&instance.npp, &window);
  PumpMessages();
  if (picture != nullptr) {
    const bool saved = SaveBitmap(CaptureClient(page), picture);
    printf("    painted notice saved: %s%s\n", picture, saved ? "" : " (failed)");
  }
  ExpectViewerStart();
  printf("    stream: %s\n", url);
  const std::vector<SeenMessageBox> boxes = DeliverDocumentWatched(&instance, url);
  PrintViewer(WaitForViewer(boxes.empty() ? 5000 : 500));
  for (const SeenMessageBox& box : boxes) {
    printf("    message box \"%s\":\n      %s\n", box.caption.c_str(), box.text.c_str());
  }
  DestroyInstance(&instance);
  DestroyPageWindow(page);
  PrintServiceCalls(logStart);
}

int RunDemonstration(const char* pictureFolder) {
  printf("A browser loads NPZqk.dll and reads its registration:\n");
  if (!StartPlugin()) {
    printf("  NPZqk.dll did not load or start\n");
    return 1;
  }
  ListPluginTypes();
  PrintServiceCalls(0);

  ForgetViewer();
  SetRegistryText(HKEY_LOCAL_MACHINE, kViewerKey, "ActiveXViewer", StubViewerPath());
  printf("\nViewer registered: HKLM\\%s ActiveXViewer = %s\n", kViewerKey, StubViewerPath().c_str());
  OpenOne("An embedded document that asks to close its window:", NP_EMBED, {"src", "UID", "winclose"},
          {"book.zqk", "demo-42", "yes"}, "http://books.example/shelf/book.zqk", nullptr);
  const std::string picture = std::string(pictureFolder) + "\\notice.bmp";
  OpenOne("A document opened as a page of its own:", NP_FULL, {"UID"}, {"demo-7"},
          "http://books.example/shelf/full.zqk", picture.c_str());

  gHost.userAgent = "Opera/6.05 (Windows 2000; U)  [en]";
  OpenOne("The same full-page document under Opera:", NP_FULL, {"UID"}, {"demo-7"},
          "http://books.example/shelf/full.zqk", nullptr);
  gHost.userAgent = "Mozilla/5.0 (Windows; U; Win98) Netscape6/6.2";

  ForgetViewer();
  printf("\nViewer registry entries removed.\n");
  OpenOne("An embedded document with the viewer missing:", NP_EMBED, {"UID"}, {"demo-1"},
          "http://books.example/shelf/book.zqk", nullptr);
  StopPlugin();
  printf("\nNP_Shutdown: done; records allocated %d, released %d\n", gHost.allocations, gHost.releases);
  return 0;
}
