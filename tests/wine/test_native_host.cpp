// npzqk-host.exe as a browser runs it: one framed request on a pipe, one
// framed reply, the viewer's command line; then its registration, each way.
#include <shlobj.h>
#include <windows.h>
// After windows.h, which it needs.
#include <msi.h>

#include <rapidjson/document.h>

#include <string>
#include <vector>

#include "extension_ids.h"
#include "host_system.h"
#include "wine_test.h"

static const char kUrl[] = "http://books.example/shelf/a.zqk";
static const char kStarted[] = "{\"started\":true}";

static std::string EnvironmentText(const char* name) {  // empty when unset
  char value[MAX_PATH * 2];
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? value : "";
}

// The host: this tree's, beside this program, or where NPZQK_HOST_PROGRAM
// names it (the 64-bit tree also runs the 32-bit tree's).
static std::string HostProgram(void) {
  const std::string named = EnvironmentText("NPZQK_HOST_PROGRAM");
  return named.empty() ? ProgramFolderOf() + "npzqk-host.exe" : named;
}

static std::string Framed(const std::string& json) {
  const uint32_t length = static_cast<uint32_t>(json.size());
  return std::string(reinterpret_cast<const char*>(&length), sizeof length) + json;
}

static std::string Request(const std::string& url, const std::string& uid) {
  return Framed("{\"url\":\"" + url + "\",\"uid\":\"" + uid + "\"}");
}

// Runs the host on the input and returns its reply's JSON, or why there is none.
static std::string Reply(const std::string& input, const char* what,
                         const std::string& program = HostProgram()) {
  // As Chromium starts a host: the caller's origin is its one argument.
  const ProgramRun run = RunProgram(program, kChromiumExtensionOrigins[0], "", &input);
  ok(run.started && run.exitCode == 0, "%s: host exit status %lu", what, run.exitCode);
  uint32_t length = 0;
  if (run.output.size() >= 4) memcpy(&length, run.output.data(), sizeof length);
  ok(run.output.size() >= 4 && run.output.size() - 4 == length, "%s: %u bytes out, framed as %u", what,
     static_cast<unsigned>(run.output.size()), length);
  return run.output.size() >= 4 ? run.output.substr(4) : "(no reply)";
}

static std::string Refused(const char* reason) { return std::string("{\"error\":\"") + reason + "\"}"; }

// The plug-in's message, after the reply's first members.
static std::string Missing(const char* caption, const std::string& first = "\"started\":false") {
  return "{" + first + ",\"caption\":\"" + caption +
         "\",\"text\":\"Unable to open TarvikViewer application.\\n\\nYou need TarvikViewer (it's free!) to "
         "view the TarvikBook\\nGet TarvikViewer from http://www.quendrix.com/downloads/\"}";
}

static const char kStatusRequest[] = "{\"status\":true}";

// The status reply's version and viewer, as JSON writes them.
static std::string Status(const std::string& viewer) {
  std::string escaped;
  for (const char c : viewer) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return std::string("{\"version\":\"") + kHostVersion + "\",\"viewer\":\"" + escaped + "\"}";
}

// Sends the input; expects the reply, and the viewer started with exactly
// url and uid when the reply says it started, else not started at all.
static void ExpectAnswer(const char* what, const std::string& input, const std::string& reply,
                         const std::string& url = kUrl, const std::string& uid = "42") {
  ExpectViewerStart();
  const std::string got = Reply(input, what);
  ok(got == reply, "%s: reply [%s], expected [%s]", what, got.c_str(), reply.c_str());
  const ViewerRecord viewer = WaitForViewer(reply == kStarted ? 5000 : 300);
  if (reply == kStarted) {
    ExpectViewerArguments(viewer, url, uid, what);
  } else {
    ok(!viewer.started, "%s: the viewer was started with [%s]", what, viewer.parameters.c_str());
  }
}

// A request whose extra member nests arrays that deep, inside the object.
static std::string Nested(size_t arrays) {
  return Framed("{\"url\":\"" + std::string(kUrl) + "\",\"uid\":\"42\",\"x\":" + std::string(arrays, '[') +
                std::string(arrays, ']') + "}");
}

static void TestRequests(void) {
  ForgetViewer();
  SetRegistryText(HKEY_LOCAL_MACHINE, kViewerKey, "ActiveXViewer", StubViewerPath());
  const struct {
    const char* what;
    std::string input;
    std::string reply;
    std::string url = kUrl, uid = "42";  // what the viewer receives when started
  } cases[] = {
      {"plain", Request(kUrl, "42"), kStarted, kUrl, "42"},
      {"members in another order, more of them",
       Framed("{\"v\":2,\"uid\":\"7\",\"o\":{\"a\":[1,{\"b\":null}]},\"url\":\"HTTPS://h/b.zqk\"}"), kStarted,
       "HTTPS://h/b.zqk", "7"},
      {"hostile UID", Request(kUrl, "42 \\\"C:\\\\evil\\\\other.zqk\\\" /print"), kStarted, kUrl,
       "42 \"C:\\evil\\other.zqk\" /print"},
      {"file URL with blanks", Request("file:///C:/My Books/a b.zqk", "1"), kStarted,
       "file:///C:/My Books/a b.zqk", "1"},
      {"file URL of a server's share", Request("file://share.example/docs/a.zqk", "1"), kStarted,
       "file://share.example/docs/a.zqk", "1"},
      {"text the code page holds", Request(kUrl, "caf\\u00e9 \xc3\xa9"), kStarted, kUrl, "caf\xe9 \xe9"},
      {"fullwidth quotation mark", Request(kUrl, "1\xef\xbc\x82 /print"),
       Refused("\\\"uid\\\" has a character the system's code page lacks")},
      {"escaped fullwidth quotation mark in the URL", Request(kUrl + std::string("\\uff02"), "1"),
       Refused("\\\"url\\\" has a character the system's code page lacks")},
      {"no input", "", Refused("no message")},
      {"cut length", std::string("\x10\0", 2), Refused("the message is cut short")},
      {"cut body", Request(kUrl, "42").substr(0, 20), Refused("the message is cut short")},
      {"over 64 KiB, never read", std::string("\x01\x00\x01\x00", 4) + std::string(70000, ' '),
       Refused("the message is longer than 64 KiB")},
      {"not JSON", Framed("{\"url\":"), Refused("the message is not JSON")},
      {"NUL after the object",
       Framed("{\"url\":\"" + std::string(kUrl) + "\",\"uid\":\"4\"}" + std::string(1, '\0') + "x"),
       Refused("the message is not JSON")},
      {"not UTF-8", Request(kUrl, "\xff"), Refused("the message is not valid UTF-8")},
      {"not an object", Framed("[\"" + std::string(kUrl) + "\"]"),
       Refused("the message is not a JSON object")},
      {"nested to the limit", Nested(15), kStarted, kUrl, "42"},
      {"nested too deeply", Nested(16), Refused("the message is nested too deeply")},
      {"url missing", Framed("{\"uid\":\"42\"}"), Refused("\\\"url\\\" is missing")},
      {"uid not a string", Framed("{\"url\":\"" + std::string(kUrl) + "\",\"uid\":42}"),
       Refused("\\\"uid\\\" is not a string")},
      {"url given twice",
       Framed("{\"url\":\"" + std::string(kUrl) + "\",\"url\":\"" + kUrl + "\",\"uid\":\"\"}"),
       Refused("a member is given twice")},
      {"relative URL", Request("a.zqk", "1"),
       Refused("\\\"url\\\" is not an absolute http, https or file URL")},
      {"javascript: URL", Request("javascript:alert(1)//.zqk", "1"),
       Refused("\\\"url\\\" is not an absolute http, https or file URL")},
      {"http without a host", Request("http:///a.zqk", "1"),
       Refused("\\\"url\\\" is not an absolute http, https or file URL")},
      {"control character in the UID", Request(kUrl, "4\\n2"),
       Refused("\\\"uid\\\" holds a control character")},
      {"DEL in the URL", Request(kUrl + std::string("\x7f"), "1"),
       Refused("\\\"url\\\" holds a control character")},
      {"longer than the viewer's arguments", Request(kUrl, std::string(1000, '9')),
       Refused("the URL and UID are too long for the viewer")},
      {"the status", Framed(kStatusRequest), Status(StubViewerPath())},
      {"a status with a document",
       Framed("{\"status\":true,\"url\":\"" + std::string(kUrl) + "\",\"uid\":\"1\"}"),
       Refused("a status request asks for no document")},
      {"a status not true", Framed("{\"status\":\"yes\"}"), Refused("\\\"status\\\" is not true")},
  };
  for (const auto& c : cases) ExpectAnswer(c.what, c.input, c.reply, c.url, c.uid);
  // Every other spelling of a file URL, which the viewer may read as a path on another computer.
  for (const char* url :
       {"file:////share.example/docs/a.zqk", "file:///\\\\share.example/docs/a.zqk",
        "file://share.example\\\\docs\\\\a.zqk", "file:///%5C%5Cshare.example/docs/a.zqk",
        "file:///%2f%2fshare.example/docs/a.zqk", "file://share.example/", "file:///home/a.zqk"}) {
    ExpectAnswer(
        url, Request(url, "1"),
        Refused("\\\"url\\\" is a file URL neither of a drive (file:///C:/...) nor of a server's share "
                "(file://server/share/...)"));
  }
}

static void TestViewerMissing(void) {
  ForgetViewer();
  ExpectAnswer("nothing registered", Request(kUrl, "42"), Missing("Application Not Installed 1"));
  ExpectAnswer("the status, nothing registered", Framed(kStatusRequest),
               Missing("Application Not Installed 1",
                       "\"version\":\"" + std::string(kHostVersion) + "\",\"viewer\":null"));
  SetRegistryText(HKEY_CLASSES_ROOT, kOpenCommandKey, nullptr, "\"C:\\nowhere\\viewer.exe\" \"%1\"");
  ExpectAnswer("open command names no program", Request(kUrl, "42"), Missing("Application Not Installed 3"));
  SetRegistryText(HKEY_CLASSES_ROOT, kOpenCommandKey, nullptr, "\"" + StubViewerPath() + "\" \"%1\"");
  ExpectAnswer("open command only", Request(kUrl, "42"), kStarted);
  // On 64-bit Windows either host finds a viewer registered in either view.
  if (sizeof(void*) == 8) {
    for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
      ForgetViewer();
      SetRegistryText(HKEY_LOCAL_MACHINE, kViewerKey, "ActiveXViewer", StubViewerPath(), view);
      ExpectAnswer(
          view == KEY_WOW64_64KEY ? "viewer in the 64-bit view only" : "viewer in the 32-bit view only",
          Request(kUrl, "42"), kStarted);
    }
  }
}

static void TestUsage(void) {
  const std::string none;
  ProgramRun run = RunProgram(HostProgram(), "--help", "", &none);
  ok(run.exitCode == 0 && run.output.find("npzqk-host.exe --register --all-users") != std::string::npos,
     "--help: status %lu, [%s]", run.exitCode, run.output.c_str());
  for (const char* wrong : {"--register --everyone", "--status --all-users"}) {
    run = RunProgram(HostProgram(), wrong, "", &none);
    ok(run.exitCode == 2 && run.output.find("npzqk-host.exe --status") != std::string::npos,
       "%s: status %lu, [%s]", wrong, run.exitCode, run.output.c_str());
  }
}

// --status as a helpdesk reads it: its exit status, and whether each piece of text is there.
static void ExpectStatus(const char* what, DWORD status, const std::vector<std::string>& lines) {
  const ProgramRun run = RunProgram(HostProgram(), "--status", "", nullptr);
  bool all = run.exitCode == status;
  for (const std::string& line : lines) all = all && run.output.find(line) != std::string::npos;
  ok(all, "--status, %s: status %lu, [%s]", what, run.exitCode, run.output.c_str());
}

static std::string InstallFolder(int csidl) {
  char folder[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, csidl, nullptr, 0, folder);
  return std::string(folder) + "\\NPZqk\\";
}

// For every user, on 64-bit Windows the 32-bit programs' folder, whichever
// host registers: Program Files\NPZqk is the Windows Installer package's.
static std::string AllUsersFolder(void) {
  return InstallFolder(sizeof(void*) == 8 ? CSIDL_PROGRAM_FILESX86 : CSIDL_PROGRAM_FILES);
}

// Registration, per user or for all, in the registry view the host writes.
struct Scope {
  const char* option;
  HKEY root;
  REGSAM view;
};

// A value of the key (its default when name is null), "(no key)" or "(no value)".
static std::string RegistryText(const Scope& scope, const std::string& key, const char* name = nullptr) {
  char value[MAX_PATH * 2] = "";
  DWORD size = sizeof value;
  HKEY opened = nullptr;
  if (RegOpenKeyExA(scope.root, key.c_str(), 0, KEY_QUERY_VALUE | scope.view, &opened) != ERROR_SUCCESS) {
    return "(no key)";
  }
  const LONG status = RegQueryValueExA(opened, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(opened);
  return status == ERROR_SUCCESS ? value : "(no value)";
}

static void ExpectManifest(const std::string& path, const std::string& program, const char* list,
                           const std::vector<std::string>& allowed, const char* what) {
  rapidjson::Document manifest;
  manifest.Parse(ReadFileText(path).c_str());
  ok(!manifest.HasParseError() && manifest.IsObject(), "%s: %s is not a JSON object", what, path.c_str());
  if (manifest.HasParseError() || !manifest.IsObject()) return;
  const auto text = [&manifest](const char* name) {
    return manifest.HasMember(name) && manifest[name].IsString() ? std::string(manifest[name].GetString())
                                                                 : "";
  };
  ok(text("name") == "com.quendrix.npzqk" && text("type") == "stdio" && text("path") == program,
     "%s: %s names [%s] [%s] [%s]", what, path.c_str(), text("name").c_str(), text("type").c_str(),
     text("path").c_str());
  std::vector<std::string> listed;
  if (manifest.HasMember(list) && manifest[list].IsArray()) {
    for (const auto& entry : manifest[list].GetArray())
      listed.push_back(entry.IsString() ? entry.GetString() : "");
  }
  ok(listed == allowed, "%s: %s does not allow exactly %s and the build's other IDs", what, path.c_str(),
     allowed[0].c_str());
}

// The browsers' keys for the host, the Chromium family's first, Firefox's last.
static const std::string kHostKeys[] = {"Software\\Google\\Chrome\\NativeMessagingHosts\\com.quendrix.npzqk",
                                        "Software\\Microsoft\\Edge\\NativeMessagingHosts\\com.quendrix.npzqk",
                                        "Software\\Chromium\\NativeMessagingHosts\\com.quendrix.npzqk",
                                        "Software\\Mozilla\\NativeMessagingHosts\\com.quendrix.npzqk"};

static std::string ManifestFor(const std::string& key) {
  return key.find("Mozilla") != std::string::npos ? "com.quendrix.npzqk.firefox.json"
                                                  : "com.quendrix.npzqk.chromium.json";
}

static void TestRegistration(const Scope& scope) {
  const std::string arguments = std::string("--register") + scope.option;
  SetRegistryText(HKEY_LOCAL_MACHINE, kViewerKey, "ActiveXViewer", StubViewerPath());
  ExpectStatus(
      "before registering", 1,
      {"npzqk-host.exe " + std::string(kHostVersion) + " (", "-bit), running from " + HostProgram() + "\r\n",
       "Firefox, key Software\\Mozilla\\NativeMessagingHosts\\com.quendrix.npzqk:\r\n",
       "  current user: not registered\r\n",
       "  => finds no host: run npzqk-host.exe --register, or install the MSI\r\n",
       "TarvikViewer: " + StubViewerPath() + "\r\n",
       "Not ready: no browser finds a host that can work.\r\n"});
  for (int round = 0; round < 2; ++round) {  // the second time changes nothing
    const ProgramRun run = RunProgram(HostProgram(), arguments, "", nullptr);
    ok(run.exitCode == 0, "%s: status %lu, [%s]", arguments.c_str(), run.exitCode, run.output.c_str());
  }
  const std::string chromium = RegistryText(scope, kHostKeys[0]);
  const std::string folder = chromium.substr(0, chromium.find_last_of('\\') + 1);
  const std::string program = folder + "npzqk-host.exe";
  const bool allUsers = scope.root == HKEY_LOCAL_MACHINE;
  ok(!allUsers || folder == AllUsersFolder(), "%s: installed in %s", arguments.c_str(), folder.c_str());
  for (const std::string& key : kHostKeys) {
    const std::string manifest = RegistryText(scope, key);
    ok(manifest == folder + ManifestFor(key), "%s: %s names [%s]", arguments.c_str(), key.c_str(),
       manifest.c_str());
    ok(!allUsers || sizeof(void*) == 4 ||
           RegistryText({"", HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY}, key) == "(no key)",
       "%s: %s written in the 64-bit view", arguments.c_str(), key.c_str());
  }
  const std::string place = !allUsers            ? "current user"
                            : sizeof(void*) == 8 ? "all users, 32-bit view"
                                                 : "all users";
  ExpectStatus(arguments.c_str(), 0,
               {"  " + place + ": " + chromium + "\r\n    names " + program +
                    ", which is there\r\n    allows the NPZqk extension\r\n",
                "  => uses: " + place + ", which can work\r\n",
                "Ready: the browsers whose host can work open zqk documents in TarvikViewer.\r\n"});
  ExpectManifest(chromium, program, "allowed_origins",
                 {std::begin(kChromiumExtensionOrigins), std::end(kChromiumExtensionOrigins)},
                 arguments.c_str());
  ExpectManifest(RegistryText(scope, kHostKeys[3]), program, "allowed_extensions", {kFirefoxExtensionId},
                 arguments.c_str());
  ok(ReadFileText(program) == ReadFileText(HostProgram()), "%s: %s is not a copy of the host",
     arguments.c_str(), program.c_str());
  // The copy serves on its own: the folder the host came from is no longer needed.
  ForgetViewer();
  SetRegistryText(HKEY_LOCAL_MACHINE, kViewerKey, "ActiveXViewer", StubViewerPath());
  ExpectViewerStart();
  ok(Reply(Request(kUrl, "5"), "the installed copy", program) == kStarted,
     "the installed copy did not start the viewer");
  ExpectViewerArguments(WaitForViewer(5000), kUrl, "5", "the installed copy");

  const std::string removal = std::string("--unregister") + scope.option;
  for (int round = 0; round < 2; ++round) {
    const ProgramRun run = RunProgram(HostProgram(), removal, "", nullptr);
    ok(run.exitCode == 0, "%s: status %lu, [%s]", removal.c_str(), run.exitCode, run.output.c_str());
  }
  for (const std::string& key : kHostKeys) {
    ok(RegistryText(scope, key) == "(no key)", "%s: %s is still there", removal.c_str(), key.c_str());
  }
  const std::string parent = kHostKeys[0].substr(0, kHostKeys[0].find_last_of('\\'));
  ok(RegistryText(scope, parent) != "(no key)", "%s: removed %s, which it did not write", removal.c_str(),
     parent.c_str());
  ok(GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES, "%s: %s is still there", removal.c_str(),
     folder.c_str());
}

// The deliverables' stack protection, with its own runtime, at work.
static void TestStackProtection(void) {
  const ProgramRun run = RunProgram(ProgramFolderOf() + "stack_overrun.exe", "", "", nullptr);
  ok(run.started && run.exitCode == STATUS_STACK_BUFFER_OVERRUN, "an overrun stack buffer: exit status %08lx",
     run.exitCode);
}

void RunNativeHostTests(void) {
  TestStackProtection();
  TestRequests();
  TestViewerMissing();
  TestUsage();
  TestRegistration({"", HKEY_CURRENT_USER, 0});
  TestRegistration({" --all-users", HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY});
  ForgetViewer();
}

// ---- The Windows Installer package, as an administrator deploys it: one
// package with both plug-ins, for 64-bit Windows.

static const Scope kMachine64 = {"", HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY};
static const Scope kMachine32 = {"", HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY};
static const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

static DWORD Msiexec(const std::string& action, const std::string& package, const char* properties = "") {
  char system[MAX_PATH];
  GetSystemDirectoryA(system, sizeof system);
  const ProgramRun run = RunProgram(std::string(system) + "\\msiexec.exe",
                                    action + " \"" + package + "\" /qn" + properties, "", nullptr);
  return run.started ? run.exitCode : 0xFFFFFFFF;
}

static std::string PluginKey(const std::string& version) {
  return "Software\\MozillaPlugins\\@quendrix.com/NPZqk,version=" + version;
}

// Add/Remove Programs' entries named NPZqk: version, publisher and help link of each.
static std::vector<std::string> InstalledEntries(void) {
  std::vector<std::string> entries;
  HKEY uninstall = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstall, 0, KEY_READ | KEY_WOW64_64KEY, &uninstall) !=
      ERROR_SUCCESS) {
    return entries;
  }
  char name[256];
  for (DWORD index = 0;; ++index) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(uninstall, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    const std::string key = std::string(kUninstall) + "\\" + name;
    if (RegistryText(kMachine64, key, "DisplayName") != "NPZqk") continue;
    // The product's icon, which Windows Installer keeps in a folder of its own.
    char icon[MAX_PATH] = "";
    DWORD length = sizeof icon;
    const bool drawn =
        MsiGetProductInfoA(name, INSTALLPROPERTY_PRODUCTICON, icon, &length) == ERROR_SUCCESS &&
        GetFileAttributesA(icon) != INVALID_FILE_ATTRIBUTES;
    entries.push_back(RegistryText(kMachine64, key, "DisplayVersion") + " " +
                      RegistryText(kMachine64, key, "Publisher") + " " +
                      RegistryText(kMachine64, key, "HelpLink") +
                      (drawn ? " with its icon" : " without an icon (" + std::string(icon) + ")"));
  }
  RegCloseKey(uninstall);
  return entries;
}

static unsigned MachineOf(const std::string& path) {  // the PE file's machine, 0 when unreadable
  const std::string file = ReadFileText(path);
  if (file.size() < 0x40) return 0;
  uint32_t header = 0;
  memcpy(&header, file.data() + 0x3c, sizeof header);
  if (header > file.size() - 6) return 0;
  return static_cast<unsigned char>(file[header + 4]) | static_cast<unsigned char>(file[header + 5]) << 8;
}

static void ExpectInstalled(const std::string& folder, const std::string& version) {
  for (const std::string& key : kHostKeys) {
    ok(RegistryText(kMachine64, key) == folder + ManifestFor(key), "installed: %s names [%s]", key.c_str(),
       RegistryText(kMachine64, key).c_str());
    ok(RegistryText(kMachine32, key) == "(no key)", "installed: %s in the 32-bit view", key.c_str());
  }
  ExpectManifest(folder + ManifestFor(kHostKeys[0]), "npzqk-host.exe", "allowed_origins",
                 {std::begin(kChromiumExtensionOrigins), std::end(kChromiumExtensionOrigins)}, "installed");
  ExpectManifest(folder + ManifestFor(kHostKeys[3]), "npzqk-host.exe", "allowed_extensions",
                 {kFirefoxExtensionId}, "installed");
  ok(MachineOf(folder + "npzqk-host.exe") == 0x8664, "installed: npzqk-host.exe is for machine %x",
     MachineOf(folder + "npzqk-host.exe"));
  const struct {
    const Scope* view;
    const char* dll;
    unsigned machine;
  } plugins[] = {{&kMachine64, "x64\\NPZqk.dll", 0x8664}, {&kMachine32, "NPZqk.dll", 0x14c}};
  for (const auto& plugin : plugins) {
    const std::string key = PluginKey(version);
    const std::string seen =
        RegistryText(*plugin.view, key, "Path") + " " + RegistryText(*plugin.view, key, "Version") + " " +
        RegistryText(*plugin.view, key + "\\MimeTypes\\application/x-zqk", "Suffixes") + " " +
        RegistryText(*plugin.view, key + "\\MimeTypes\\application/x-zqk-v2", "Suffixes");
    ok(seen == folder + plugin.dll + " " + version + " zqk zqk", "installed: %s says [%s]", key.c_str(),
       seen.c_str());
    ok(MachineOf(folder + plugin.dll) == plugin.machine, "installed: %s is for machine %x", plugin.dll,
       MachineOf(folder + plugin.dll));
  }
  // The installed host answers as Chrome starts it.
  ForgetViewer();
  SetRegistryText(HKEY_LOCAL_MACHINE, kViewerKey, "ActiveXViewer", StubViewerPath());
  ExpectViewerStart();
  ok(Reply(Request(kUrl, "9"), "the installed host", folder + "npzqk-host.exe") == kStarted,
     "the installed host did not start the viewer");
  ExpectViewerArguments(WaitForViewer(5000), kUrl, "9", "the installed host");
}

// Windows Installer's repair puts back a deleted file and a deleted key.
static void TestRepair(const std::string& package, const std::string& folder) {
  DeleteFileA((folder + "x64\\NPZqk.dll").c_str());
  RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kHostKeys[3].c_str(), KEY_WOW64_64KEY, 0);
  ok(Msiexec("/i", package, " REINSTALL=ALL REINSTALLMODE=amus") == 0, "repair failed");
  ok(MachineOf(folder + "x64\\NPZqk.dll") == 0x8664, "repair: the 64-bit plug-in is not back");
  ok(RegistryText(kMachine64, kHostKeys[3]) == folder + ManifestFor(kHostKeys[3]), "repair: %s names [%s]",
     kHostKeys[3].c_str(), RegistryText(kMachine64, kHostKeys[3]).c_str());
}

// Registering for all users as well, with the package's host or another:
// its own folder and the 32-bit view, which the browsers read first;
// unregistering leaves the package's host, manifests and keys as they were.
static void TestBesideRegistration(const std::string& folder, const std::string& host, const char* which) {
  const std::string registered = AllUsersFolder();
  const auto package = [&folder]() {
    std::string files;
    for (const char* name :
         {"npzqk-host.exe", "com.quendrix.npzqk.chromium.json", "com.quendrix.npzqk.firefox.json"})
      files += ReadFileText(folder + name);
    for (const std::string& key : kHostKeys) files += RegistryText(kMachine64, key);
    return files;
  };
  const std::string before = package();
  ok(RunProgram(host, "--register --all-users", "", nullptr).exitCode == 0,
     "beside, %s: --register --all-users", which);
  ok(RegistryText(kMachine32, kHostKeys[0]) == registered + ManifestFor(kHostKeys[0]) &&
         ReadFileText(registered + "npzqk-host.exe") == ReadFileText(host),
     "beside, %s: registered [%s]", which, RegistryText(kMachine32, kHostKeys[0]).c_str());
  ok(package() == before, "beside, %s: registering changed the package's files or keys", which);
  ok(RunProgram(host, "--unregister --all-users", "", nullptr).exitCode == 0,
     "beside, %s: --unregister --all-users", which);
  ok(RegistryText(kMachine32, kHostKeys[0]) == "(no key)" &&
         GetFileAttributesA(registered.c_str()) == INVALID_FILE_ATTRIBUTES,
     "beside, %s: the registered copy is left", which);
  ok(package() == before, "beside, %s: unregistering touched the package's files or keys", which);
}

static void ExpectRemoved(const std::string& folder, const std::string& version) {
  ok(GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES, "removed: %s is still there",
     folder.c_str());
  for (const std::string& key : kHostKeys) {
    ok(RegistryText(kMachine64, key) == "(no key)", "removed: %s is still there", key.c_str());
  }
  for (const Scope* view : {&kMachine64, &kMachine32}) {
    ok(RegistryText(*view, PluginKey(version)) == "(no key)", "removed: %s is still there",
       PluginKey(version).c_str());
  }
  ok(InstalledEntries().empty(), "removed: still in Add/Remove Programs");
}

void RunMsiTests(void) {
  const std::string package = EnvironmentText("NPZQK_MSI"), older = EnvironmentText("NPZQK_OLDER_MSI");
  const std::string version = EnvironmentText("NPZQK_VERSION"), folder = InstallFolder(CSIDL_PROGRAM_FILES);
  const std::string entry = " Quendrix http://www.quendrix.com/ with its icon";
  Msiexec("/x", package);  // whatever an earlier run left
  Msiexec("/x", older);
  ok(Msiexec("/i", older) == 0 && InstalledEntries() == std::vector<std::string>{"1.0.0" + entry},
     "the older package did not install");
  ok(Msiexec("/i", package) == 0, "the upgrade failed");
  const std::vector<std::string> entries = InstalledEntries();
  ok(entries == std::vector<std::string>{version + entry}, "upgraded: %u entries, the first [%s]",
     static_cast<unsigned>(entries.size()), entries.empty() ? "" : entries[0].c_str());
  ok(RegistryText(kMachine64, PluginKey("1.0.0")) == "(no key)",
     "upgraded: the older version's plug-in key is left");
  ExpectInstalled(folder, version);
  ok(Msiexec("/i", older) != 0 && InstalledEntries() == entries, "the older package went in over this one");
  TestRepair(package, folder);
  TestBesideRegistration(folder, folder + "npzqk-host.exe", "the package's host");
  if (EnvironmentText("NPZQK_RUNS_32BIT") == "yes") {
    TestBesideRegistration(folder, EnvironmentText("NPZQK_32BIT_HOST"), "the 32-bit host");
  }
  ok(Msiexec("/x", package) == 0, "removal failed");
  ExpectRemoved(folder, version);
  ForgetViewer();
}
