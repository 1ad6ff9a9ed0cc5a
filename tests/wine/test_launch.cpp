// Instances and document streams driven through the real library: which
// viewer is started, with what, and what the user is told when it is missing.
#include <string.h>

#include "host_browser.h"
#include "host_system.h"
#include "wine_test.h"

static const char kUrl[] = "http://books.example/shelf/a.zqk";
static const char kMessage[] =
    "Unable to open TarvikViewer application.\n\n"
    "You need TarvikViewer (it's free!) to view the TarvikBook\n"
    "Get TarvikViewer from http://www.quendrix.com/downloads/";

// Opens one document with the given UID and reports the viewer start and
// message boxes seen.
struct Outcome {
  ViewerRecord viewer;
  std::vector<SeenMessageBox> boxes;
};

static Outcome OpenDocument(const char* url, const char* uid, DWORD waitMs = 5000) {
  HostInstance instance;
  NewInstance(&instance, NP_EMBED, {"src", "UID"}, {"a.zqk", uid});
  ExpectViewerStart();
  Outcome outcome;
  outcome.boxes = DeliverDocumentWatched(&instance, url);
  outcome.viewer = WaitForViewer(waitMs);
  DestroyInstance(&instance);
  return outcome;
}

static std::string Quoted(const std::string& path) { return "\"" + path + "\" \"%1\""; }

// The viewer started with exactly the URL and /UID= with the UID, and no message shown.
static void ExpectArguments(const Outcome& outcome, const std::string& url, const std::string& uid,
                            const char* what) {
  ExpectViewerArguments(outcome.viewer, url, uid, what);
  ok(outcome.boxes.empty(), "%s: a message box was shown", what);
}

// The same, with ordinary text in its plain form: URL /UID=UID.
static void ExpectStarted(const Outcome& outcome, const std::string& url, const std::string& uid,
                          const char* what) {
  ExpectArguments(outcome, url, uid, what);
  const std::string plain = url + " /UID=" + uid;
  ok(outcome.viewer.parameters == plain, "%s: viewer got [%s], expected [%s]", what,
     outcome.viewer.parameters.c_str(), plain.c_str());
}

static void ExpectMessage(const Outcome& outcome, const char* caption, const char* what) {
  ok(!outcome.viewer.started, "%s: a viewer was started", what);
  ok(outcome.boxes.size() == 1, "%s: %u message boxes", what, static_cast<unsigned>(outcome.boxes.size()));
  if (outcome.boxes.empty()) return;
  const SeenMessageBox& box = outcome.boxes[0];
  ok(box.caption == caption, "%s: caption [%s]", what, box.caption.c_str());
  ok(box.text == kMessage, "%s: text [%s]", what, box.text.c_str());
  ok(!box.hasOwner, "%s: the box has an owner window", what);
  ok(box.hasOkButton && !box.hasOtherButtons, "%s: not a box with OK alone", what);
  ok(!box.hasIcon, "%s: the box shows an icon", what);
}

static void TestPrimaryViewer(void) {
  ForgetViewer();
  SetRegistryText(HKEY_LOCAL_MACHINE, kViewerKey, "ActiveXViewer", StubViewerPath());
  ExpectStarted(OpenDocument(kUrl, "42"), kUrl, "42", "primary value");
  ExpectStarted(OpenDocument(kUrl, ""), kUrl, "", "empty UID");
}

static void TestOpenCommand(void) {
  ForgetViewer();
  SetRegistryText(HKEY_CLASSES_ROOT, kOpenCommandKey, nullptr, Quoted(StubViewerPath()));
  ExpectStarted(OpenDocument(kUrl, "7"), kUrl, "7", "open command only");

  SetRegistryText(HKEY_LOCAL_MACHINE, kViewerKey, "ActiveXViewer", "C:\\no such folder\\viewer.exe");
  ExpectStarted(OpenDocument(kUrl, "8"), kUrl, "8", "primary launch fails");

  // A primary value that fills its 260 bytes without a NUL is not used.
  SetRegistryBytes(HKEY_LOCAL_MACHINE, kViewerKey, "ActiveXViewer", std::string(260, 'p'), REG_SZ);
  ExpectStarted(OpenDocument(kUrl, "9"), kUrl, "9", "unterminated primary value");
}

static void TestMissingViewer(void) {
  ForgetViewer();
  ExpectMessage(OpenDocument(kUrl, "1", 300), "Application Not Installed 1", "nothing registered");

  SetRegistryText(HKEY_CLASSES_ROOT, kOpenCommandKey, nullptr, "\"" + std::string(300, 'p') + "\"");
  ExpectMessage(OpenDocument(kUrl, "1", 300), "Application Not Installed 2", "overlong open command");

  SetRegistryText(HKEY_CLASSES_ROOT, kOpenCommandKey, nullptr, Quoted("C:\\nowhere\\viewer.exe"));
  ExpectMessage(OpenDocument(kUrl, "1", 300), "Application Not Installed 3", "open command names no program");

  SetRegistryText(HKEY_CLASSES_ROOT, kOpenCommandKey, nullptr, StubViewerPath() + " %1");
  ExpectMessage(OpenDocument(kUrl, "1", 300), "Application Not Installed 3", "unquoted open command");

  SetRegistryText(HKEY_CLASSES_ROOT, kOpenCommandKey, nullptr, "\"" + std::string(170, 'p') + "\"");
  ExpectMessage(OpenDocument(kUrl, "1", 300), "Application Not Installed 3", "quoted path over 163");
}

static void TestArgumentLimits(void) {
  ForgetViewer();
  SetRegistryText(HKEY_LOCAL_MACHINE, kViewerKey, "ActiveXViewer", StubViewerPath());
  SetRegistryText(HKEY_CLASSES_ROOT, kOpenCommandKey, nullptr, Quoted(StubViewerPath()));
  // URL, " /UID=" and UID of exactly 1023 characters are passed whole.
  const std::string url = "http://h/" + std::string(1000, 'u');
  const std::string uid(1023 - url.size() - 6, '5');
  ExpectStarted(OpenDocument(url.c_str(), uid.c_str()), url, uid, "1023 characters");
  // One more character, or a UID over 1023, is never launched cut short.
  const std::string longer = uid + "5";
  ExpectMessage(OpenDocument(url.c_str(), longer.c_str(), 1500), "Application Not Installed 3",
                "1024 characters");
  const std::string hugeUid(5000, '6');
  ExpectMessage(OpenDocument(kUrl, hugeUid.c_str(), 1500), "Application Not Installed 3",
                "5000-character UID");
}

// Text a page or a browser chose never adds an argument, a switch or a
// document of its own.
static void TestHostileText(void) {
  ForgetViewer();
  SetRegistryText(HKEY_LOCAL_MACHINE, kViewerKey, "ActiveXViewer", StubViewerPath());
  const struct {
    const char* url;
    const char* uid;
  } cases[] = {
      {kUrl, "42 \"C:\\evil\\other.zqk\" /print"},
      {kUrl, "1 \\\\some-host\\share\\x.zqk"},
      {"file:///C:/My Books/a b.zqk", "7"},
      {"C:\\dir with blank\\", "x\ty\\"},
      {"a\\\"b", "\\\\\" \\"},
      {kUrl, "\""},
  };
  for (const auto& c : cases) ExpectArguments(OpenDocument(c.url, c.uid), c.url, c.uid, c.uid);
  // Quoting counts against the 1023 characters: never launched cut short.
  const std::string url = "http://h/" + std::string(1000, 'u');
  const std::string uid = std::string(1023 - url.size() - 6 - 2, ' ');
  ExpectArguments(OpenDocument(url.c_str(), uid.c_str()), url, uid, "quoted to 1023 characters");
  SetRegistryText(HKEY_CLASSES_ROOT, kOpenCommandKey, nullptr, Quoted(StubViewerPath()));
  ExpectMessage(OpenDocument(url.c_str(), (uid + " ").c_str(), 1500), "Application Not Installed 3",
                "quoted to 1024 characters");
}

#if defined(_WIN64)
// A 64-bit plug-in also finds a viewer that a 32-bit installer registered in
// the 32-bit view of the registry; its own view wins.
static void TestRegistryViews(void) {
  ForgetViewer();
  SetRegistryText(HKEY_LOCAL_MACHINE, kViewerKey, "ActiveXViewer", StubViewerPath(), KEY_WOW64_32KEY);
  ExpectStarted(OpenDocument(kUrl, "32"), kUrl, "32", "32-bit view only");
  ForgetViewer();
  SetRegistryText(HKEY_LOCAL_MACHINE, kViewerKey, "ActiveXViewer", StubViewerPath(), KEY_WOW64_64KEY);
  ExpectStarted(OpenDocument(kUrl, "64"), kUrl, "64", "64-bit view only");
  SetRegistryText(HKEY_LOCAL_MACHINE, kViewerKey, "ActiveXViewer", "C:\\no such folder\\viewer.exe",
                  KEY_WOW64_32KEY);
  ExpectStarted(OpenDocument(kUrl, "both"), kUrl, "both", "both views");
}
#else
static void TestRegistryViews(void) {}
#endif

static HostInstance* gDoomed = nullptr;
static void DestroyDoomed(void) { DestroyInstance(gDoomed); }

static void TestBrowserCallsInDuringTheMessage(void) {
  ForgetViewer();
  HostInstance instance;
  NewInstance(&instance, NP_FULL, {"UID"}, {"3"});
  const int releases = gHost.releases;
  gDoomed = &instance;
  gWhileMessageBoxUp = DestroyDoomed;
  WatchMessageBoxes();
  NPStream stream;
  memset(&stream, 0, sizeof stream);
  stream.url = kUrl;
  const NPError result = gHost.plugin.newstream(&instance.npp, nullptr, &stream, 0, nullptr);
  const std::vector<SeenMessageBox> boxes = StopWatchingMessageBoxes();
  ok(result == NPERR_NO_ERROR, "newstream gave %d", result);
  ok(boxes.size() == 1, "%u boxes", static_cast<unsigned>(boxes.size()));
  ok(gHost.releases == releases + 1 && instance.npp.pdata == nullptr,
     "the instance destroyed during the message was not released");
}

static void TestInstancesAndStreams(void) {
  HostInstance instance;
  NewInstance(&instance, NP_EMBED, {}, {});
  ok(instance.created == NPERR_NO_ERROR && instance.npp.pdata != nullptr, "instance not created");
  NPStream stream;
  memset(&stream, 0, sizeof stream);
  ok(gHost.plugin.newstream(&instance.npp, nullptr, &stream, 0, nullptr) == NPERR_NO_ERROR,
     "stream without URL refused");
  ok(gHost.plugin.newstream(&instance.npp, nullptr, nullptr, 0, nullptr) == NPERR_NO_ERROR,
     "null stream refused");
  ok(gHost.plugin.newstream(nullptr, nullptr, &stream, 0, nullptr) == NPERR_INVALID_INSTANCE_ERROR,
     "null instance accepted by newstream");
  ok(gHost.plugin.writeready(nullptr, nullptr) == 268435455, "writeready of nothing");
  char data[64];
  ok(gHost.plugin.write(&instance.npp, &stream, 0, 0, data) == 0, "write of 0 bytes");
  ok(gHost.plugin.write(&instance.npp, &stream, 10, 64, data) == 64, "write of 64 bytes");
  gHost.plugin.asfile(&instance.npp, &stream, "C:\\x.zqk");
  NPPrint print;
  memset(&print, 0, sizeof print);
  print.mode = NP_FULL;
  print.print.fullPrint.pluginPrinted = 1;
  gHost.plugin.print(&instance.npp, &print);
  ok(print.print.fullPrint.pluginPrinted == 0, "full-page print left to the plug-in");
  const int releases = gHost.releases;
  ok(DestroyInstance(&instance) == NPERR_NO_ERROR, "destroy refused");
  ok(gHost.releases == releases + 1, "the record was not released through memfree");
  ok(gHost.plugin.destroy(nullptr, nullptr) == NPERR_INVALID_INSTANCE_ERROR, "null instance destroyed");
  ok(gHost.plugin.newp(nullptr, nullptr, NP_FULL, 0, nullptr, nullptr, nullptr) ==
         NPERR_INVALID_INSTANCE_ERROR,
     "null instance created");
}

void RunLaunchTests(void) {
  ok(StartPlugin(), "the plug-in did not start");
  if (gHost.library == nullptr) return;
  TestInstancesAndStreams();
  TestPrimaryViewer();
  TestOpenCommand();
  TestMissingViewer();
  TestArgumentLimits();
  TestHostileText();
  TestRegistryViews();
  TestBrowserCallsInDuringTheMessage();
  ForgetViewer();
  ok(gHost.allocations == gHost.releases, "%d records allocated, %d released", gHost.allocations,
     gHost.releases);
  StopPlugin();
}
